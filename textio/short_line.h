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

// Appends as much of `text` as fits.
inline void append(ShortLine& line, std::string_view text) {
  size_t room = ShortLine::capacity - line.length;
  size_t taken = text.size() < room ? text.size() : room;
  std::memcpy(line.bytes + line.length, text.data(), taken);
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
