#pragma once
// ShortLine: the one string type of the tool. A length byte and 255 bytes in a fixed 256-byte
// slot; anything that would make it longer keeps the first 255 bytes.

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

struct ShortLine {
  static constexpr int capacity = 255;
  uint8_t length = 0;
  char bytes[capacity];
};
static_assert(sizeof(ShortLine) == 256);

inline std::string_view text_of(const ShortLine& line) {
  return {line.bytes, line.length};
}

// Copies `count` bytes, at most a line's 255, between places that do not overlap. Runs are
// short, so they are moved in a few fixed-size moves rather than by a call: whole 16-byte moves
// and a last one that ends where the run ends, overlapping the one before it.
inline void copy_run(char* to, const char* from, size_t count) {
  if (count >= 16) {
    std::memcpy(to, from, 16);
    if (count > 32) {
      std::memcpy(to + 16, from + 16, 16);
      for (size_t at = 32; at + 16 < count; at += 16)  // only runs longer than 48 bytes
        std::memcpy(to + at, from + at, 16);
    }
    std::memcpy(to + count - 16, from + count - 16, 16);
  } else if (count >= 8) {
    std::memcpy(to, from, 8);
    std::memcpy(to + count - 8, from + count - 8, 8);
  } else if (count >= 4) {
    std::memcpy(to, from, 4);
    std::memcpy(to + count - 4, from + count - 4, 4);
  } else if (count > 0) {
    to[0] = from[0];
    to[count / 2] = from[count / 2];
    to[count - 1] = from[count - 1];
  }
}

// Appends as much of `text` as fits.
inline void append(ShortLine& line, std::string_view text) {
  size_t room = ShortLine::capacity - line.length;
  size_t taken = text.size() < room ? text.size() : room;
  copy_run(line.bytes + line.length, text.data(), taken);
  line.length = static_cast<uint8_t>(line.length + taken);
}

// Appends one byte if it fits.
inline void append(ShortLine& line, char byte) {
  if (line.length < ShortLine::capacity) line.bytes[line.length++] = byte;
}

inline void append(ShortLine& line, const ShortLine& tail) {
  append(line, text_of(tail));
}

inline ShortLine short_line(std::string_view text) {
  ShortLine line;
  append(line, text);
  return line;
}

namespace short_line_search {

#if defined(__SSE2__)
// One bit for each of the sixteen bytes at `from` that is `byte` (or, with `equal` false, is
// not).
template <char byte, bool equal>
inline unsigned marked(const char* from) {
  __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
  unsigned bits =
      static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8(byte))));
  return equal ? bits : bits ^ 0xFFFF;
}
#endif

// The first position at or after `from` (at most the line's length) whose byte is `byte` (or,
// with `equal` false, is not), or the line's length. A line of sixteen bytes or more is looked at
// sixteen bytes at a time, its own bytes only: its last block is its last sixteen bytes, less
// those already looked at.
template <char byte, bool equal>
[[gnu::always_inline]] inline int first_position(const ShortLine& line, int from) {
  int at = from;
#if defined(__SSE2__)
  if (line.length >= 16) {
    for (; at + 16 <= line.length; at += 16) {
      if (unsigned bits = marked<byte, equal>(line.bytes + at)) return at + std::countr_zero(bits);
    }
    if (at == line.length) return at;
    int last = line.length - 16;
    unsigned bits = marked<byte, equal>(line.bytes + last) >> (at - last);
    return bits != 0 ? at + std::countr_zero(bits) : line.length;
  }
#endif
  while (at < line.length && (line.bytes[at] == byte) != equal)
    ++at;
  return at;
}

}  // namespace short_line_search

// The position (0-based) of the first `byte` at or after `from`, or the line's length.
template <char byte>
[[gnu::always_inline]] inline int find_byte(const ShortLine& line, int from) {
  return short_line_search::first_position<byte, true>(line, from);
}

// The position of the first byte at or after `from` that is not `byte`, or the line's length.
template <char byte>
[[gnu::always_inline]] inline int skip_byte(const ShortLine& line, int from) {
  return short_line_search::first_position<byte, false>(line, from);
}
