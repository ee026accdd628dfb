#pragma once
// Where lines stop in a read buffer. A line stops at LF (10), CR (13) or Ctrl-Z (26); every
// other byte, tab and the other control bytes included, is text.
//
// Right after each read the buffer's stops are mapped, one bit a byte: sixteen bytes at a time
// with SSE2, a machine word at a time without it. A line's stop is then the next set bit of the
// map, found in a few instructions however long the line, and no byte is looked at twice.

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace line_scan {

// The size and alignment of a mapped buffer.
inline constexpr unsigned buffer_size = 256;
inline constexpr unsigned buffer_alignment = 16;

// Bit b of word w is set when byte 64 * w + b of the buffer stops a line.
struct StopMap {
  uint64_t words[buffer_size / 64] = {};
};

// A machine word at a time. Text bytes are almost always above 26, so a word is first tested
// for any byte below 27 at all; only a word that has one is tested exactly.
using Word = uintptr_t;
inline constexpr unsigned word_size = sizeof(Word);
inline constexpr Word ones = ~Word{0} / 0xFF;
inline constexpr Word high_bits = ones * 0x80;
inline constexpr Word low_seven_bits = ones * 0x7F;

// The word of the bytes at `from`, the first of them in its lowest byte.
inline Word load_word(const char* from) {
  Word word;
  std::memcpy(&word, from, sizeof word);
  if constexpr (std::endian::native == std::endian::little) {
    return word;
  } else if constexpr (sizeof word == 8) {
    return __builtin_bswap64(word);
  } else {
    return __builtin_bswap32(word);
  }
}

// Not 0 when some byte of `word` is below 27. Which bits are set is not exact (a borrow can mark
// a byte above a true one), so it only says whether the exact test is needed.
constexpr Word any_byte_below_27(Word word) {
  return (word - ones * 27) & ~word & high_bits;
}

// Sets the high bit of each byte that is 0, and no other bit: a byte's low seven bits plus 127
// never carry into the next byte, so bytes cannot disturb each other.
constexpr Word zero_bytes(Word word) {
  return ~(((word & low_seven_bits) + low_seven_bits) | word) & high_bits;
}

// 10 and 26 differ only in the bit of 16: with that bit cleared, one test finds both.
inline constexpr unsigned char without_16 = 0xEF;

// The high bit of each byte that stops a line.
constexpr Word stop_bytes(Word word) {
  return zero_bytes((word & (ones * without_16)) ^ (ones * 10)) | zero_bytes(word ^ (ones * 13));
}

// Moves byte i's high bit to bit 8 * (word_size - 1) + i of a product; no two partial products
// meet, so nothing carries.
constexpr Word gathering_factor() {
  Word factor = 0;
  for (unsigned i = 0; i < word_size; ++i)
    factor |= Word{1} << (8 * (word_size - 1) - 7 * i);
  return factor;
}

// One bit for each byte of `marks` (only high bits set), the lowest byte's in bit 0.
constexpr unsigned gathered(Word marks) {
  constexpr Word factor = gathering_factor();
  return static_cast<unsigned>(((marks >> 7) * factor) >> (8 * (word_size - 1)));
}

// The stop bits of the 64 bytes at `from`, word by word.
inline uint64_t stop_bits_by_words(const char* from) {
  uint64_t bits = 0;
  for (unsigned at = 0; at < 64; at += word_size) {
    Word word = load_word(from + at);
    if (any_byte_below_27(word) != 0) bits |= uint64_t{gathered(stop_bytes(word))} << at;
  }
  return bits;
}

#if defined(__SSE2__)
// The stop bits of the sixteen aligned bytes at `from`, compared with the stops at once.
inline uint64_t stop_bits_of_block(const char* from) {
  __m128i block = _mm_load_si128(reinterpret_cast<const __m128i*>(from));
  __m128i ten_or_26 = _mm_and_si128(block, _mm_set1_epi8(static_cast<char>(without_16)));
  __m128i stops = _mm_or_si128(_mm_cmpeq_epi8(ten_or_26, _mm_set1_epi8(10)),
                               _mm_cmpeq_epi8(block, _mm_set1_epi8(13)));
  return static_cast<unsigned>(_mm_movemask_epi8(stops));
}

inline uint64_t stop_bits_by_blocks(const char* from) {
  return stop_bits_of_block(from) | stop_bits_of_block(from + 16) << 16 |
         stop_bits_of_block(from + 32) << 32 | stop_bits_of_block(from + 48) << 48;
}
#endif

inline uint64_t stop_bits(const char* from) {
#if defined(__SSE2__)
  return stop_bits_by_blocks(from);
#else
  return stop_bits_by_words(from);
#endif
}

}  // namespace line_scan

// Maps the stops of the first `count` bytes of `buffer` (aligned to line_scan::buffer_alignment
// and line_scan::buffer_size long), in whole 64-byte words. Map words past them are left as
// they were; find_line_stop never looks at them.
inline void map_line_stops(const char* buffer, unsigned count, line_scan::StopMap& map) {
  for (unsigned word = 0; word * 64 < count; ++word)
    map.words[word] = line_scan::stop_bits(buffer + 64 * word);
}

// The first mapped stop in [from, to), or `to`; from < to and `to` lies within the bytes mapped.
inline unsigned find_line_stop(const line_scan::StopMap& map, unsigned from, unsigned to) {
  unsigned word = from / 64;
  uint64_t bits = map.words[word] & (~uint64_t{0} << (from % 64));
  while (bits == 0) {
    ++word;
    if (word * 64 >= to) return to;
    bits = map.words[word];
  }
  unsigned stop = 64 * word + static_cast<unsigned>(std::countr_zero(bits));
  return stop < to ? stop : to;
}
