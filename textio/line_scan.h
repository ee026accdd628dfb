#pragma once
// Finding where a line stops, eight bytes at a time. A line stops at LF (10), CR (13) or Ctrl-Z
// (26); every other byte, tab and the other control bytes included, is text. Text bytes are
// almost always above 26, so a word is first tested for any byte below 27 at all, and only in a
// word that has one are its bytes below 27 looked at one by one.

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace line_scan {

using Word = uint64_t;
inline constexpr Word ones = 0x0101010101010101;
inline constexpr Word low_seven_bits = ones * 0x7F;

// Not 0 when some byte of `word` is below 27. Which bits are set is not exact (a borrow can mark
// a byte above a true one), so it only says whether the exact test is needed.
constexpr Word any_byte_below_27(Word word) {
  return (word - ones * 27) & ~word & (ones * 0x80);
}

// Sets the high bit of each byte below 27, and no other bit: the sum of a byte's low seven bits
// and 101 never carries into the next byte, so bytes cannot disturb each other.
constexpr Word bytes_below_27(Word word) {
  return ~(((word & low_seven_bits) + ones * (0x80 - 27)) | word) & (ones * 0x80);
}

// The byte offset in the word of the first byte marked in `marks` (not 0), in memory order.
inline int first_marked(Word marks) {
  if constexpr (std::endian::native == std::endian::little) {
    return std::countr_zero(marks) / 8;
  } else {
    return std::countl_zero(marks) / 8;
  }
}

// `marks` without its first marked byte.
inline Word without_first(Word marks) {
  if constexpr (std::endian::native == std::endian::little) {
    return marks & (marks - 1);
  } else {
    return marks & ~(Word{1} << (63 - std::countl_zero(marks)));
  }
}

inline bool is_stop(char c) {
  return c == 10 || c == 13 || c == 26;
}

#if defined(__SSE2__)
// Where SSE2 is there (every x86-64), sixteen bytes are compared with the three stops at once.
inline constexpr long block_size = 16;

// One bit for each of the sixteen bytes at `from` that stops a line; `block` gets those bytes.
inline unsigned stop_bits(const char* from, __m128i& block) {
  block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
  __m128i stops = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8(10)),
                                            _mm_cmpeq_epi8(block, _mm_set1_epi8(13))),
                               _mm_cmpeq_epi8(block, _mm_set1_epi8(26)));
  return static_cast<unsigned>(_mm_movemask_epi8(stops));
}
#endif

}  // namespace line_scan

// The first byte in [from, to) that stops a line, or `to`.
inline const char* find_line_stop(const char* from, const char* to) {
  using namespace line_scan;
#if defined(__SSE2__)
  for (__m128i block; to - from >= block_size; from += block_size) {
    if (unsigned bits = stop_bits(from, block)) return from + std::countr_zero(bits);
  }
#endif
  while (to - from >= static_cast<long>(sizeof(Word))) {
    Word word;
    std::memcpy(&word, from, sizeof word);  // one unaligned load
    if (any_byte_below_27(word) != 0) {
      // Few bytes are below 27 (a tab, the line end): look at each.
      for (Word marks = bytes_below_27(word); marks != 0; marks = without_first(marks)) {
        const char* candidate = from + first_marked(marks);
        if (is_stop(*candidate)) return candidate;
      }
    }
    from += sizeof word;
  }
  while (from != to && !is_stop(*from))
    ++from;
  return from;
}

// Copies the bytes of [from, to) up to the first one that stops a line to `out`, which has room
// for all of [from, to), and returns that stop, or `to`. Whole words are copied as they are
// scanned, so bytes after the stop may be written to `out` as well, within that room.
inline const char* copy_to_line_stop(const char* from, const char* to, char* out) {
  using namespace line_scan;
#if defined(__SSE2__)
  for (__m128i block; to - from >= block_size; from += block_size, out += block_size) {
    unsigned bits = stop_bits(from, block);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), block);
    if (bits != 0) return from + std::countr_zero(bits);
  }
#endif
  while (to - from >= static_cast<long>(sizeof(Word))) {
    Word word;
    std::memcpy(&word, from, sizeof word);
    std::memcpy(out, &word, sizeof word);
    if (any_byte_below_27(word) != 0) {
      for (Word marks = bytes_below_27(word); marks != 0; marks = without_first(marks)) {
        const char* candidate = from + first_marked(marks);
        if (is_stop(*candidate)) return candidate;
      }
    }
    from += sizeof word;
    out += sizeof word;
  }
  for (; from != to && !is_stop(*from); ++from, ++out)
    *out = *from;
  return from;
}
