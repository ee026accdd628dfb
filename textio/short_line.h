#pragma once
// ShortLine: the one string type of the tool. A length byte and 255 bytes in a fixed 256-byte
// slot; anything that would make it longer keeps the first 255 bytes.

#include <cstdint>
#include <cstring>
#include <string_view>

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

inline void append(ShortLine& line, const ShortLine& tail) {
  append(line, text_of(tail));
}

inline ShortLine short_line(std::string_view text) {
  ShortLine line;
  append(line, text);
  return line;
}
