#include "textio/line_scan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "memory_os.h"
#include "textio/line_file.h"

namespace {

using line_scan::buffer_size;

// The plain definition the mapped scan must agree with.
bool stops_line(unsigned char c) {
  return c == 10 || c == 13 || c == 26;
}

unsigned reference_stop(const char* buffer, unsigned from, unsigned to) {
  while (from < to && !stops_line(static_cast<unsigned char>(buffer[from])))
    ++from;
  return from;
}

uint64_t reference_bits(const char* from) {
  uint64_t bits = 0;
  for (unsigned i = 0; i < 64; ++i)
    if (stops_line(static_cast<unsigned char>(from[i]))) bits |= uint64_t{1} << i;
  return bits;
}

struct AlignedBuffer {
  alignas(line_scan::buffer_alignment) char bytes[buffer_size];
};

// Bytes next to a stop that a wrong test could take for one, or whose neighbours it could hide:
// the neighbours of 10, 13 and 26, the tab, zero, bytes that differ from a stop in one bit, and
// bytes with the high bit set.
const unsigned char fillers[] = {'a',  0,    1,    9,    11,   12,   14,   25,   27,   0x7f,
                                 0x80, 0x8a, 0x8d, 0x9a, 0xff, 0x0e, 0x1b, 0x2a, 0x1d, 0x0b};

TEST(LineStops, EveryWayOfMappingMarksExactlyTheStops) {
  AlignedBuffer buffer;
  for (unsigned char filler : fillers) {
    for (unsigned at = 0; at < 64; ++at) {
      for (int value = 0; value < 256; ++value) {
        std::memset(buffer.bytes, filler, 64);
        buffer.bytes[at] = static_cast<char>(value);
        buffer.bytes[(at * 7 + 3) % 64] = '\n';  // a second stop elsewhere in the word
        uint64_t expected = reference_bits(buffer.bytes);
        ASSERT_EQ(line_scan::stop_bits_by_words(buffer.bytes), expected)
            << "filler " << int(filler) << ", byte " << value << " at " << at;
#if defined(__SSE2__)
        ASSERT_EQ(line_scan::stop_bits_by_blocks(buffer.bytes), expected)
            << "filler " << int(filler) << ", byte " << value << " at " << at;
#endif
        ASSERT_EQ(line_scan::stop_bits(buffer.bytes), expected);
      }
    }
  }
}

TEST(LineStops, WordTestsAreExactForEveryByteInEveryPlace) {
  using line_scan::Word;
  for (int value = 0; value < 256; ++value) {
    for (unsigned at = 0; at < line_scan::word_size; ++at) {
      for (unsigned char filler : fillers) {
        char bytes[sizeof(Word)];
        std::memset(bytes, filler, sizeof bytes);
        bytes[at] = static_cast<char>(value);
        Word word = line_scan::load_word(bytes);
        unsigned expected = 0;
        for (unsigned i = 0; i < sizeof bytes; ++i)
          if (stops_line(static_cast<unsigned char>(bytes[i]))) expected |= 1u << i;
        ASSERT_EQ(line_scan::gathered(line_scan::stop_bytes(word)), expected)
            << value << " at " << at << " among " << int(filler);
        bool below_27 = value < 27 || filler < 27;
        ASSERT_EQ(line_scan::any_byte_below_27(word) != 0, below_27) << value << " " << int(filler);
      }
    }
  }
}

// Every window [from, to) of a buffer, over stops in every place the map words meet.
TEST(LineStops, FindsTheFirstStopOfEveryWindow) {
  AlignedBuffer buffer;
  std::memset(buffer.bytes, 'x', buffer_size);
  for (unsigned at : {0u, 1u, 15u, 16u, 63u, 64u, 65u, 100u, 127u, 128u, 191u, 192u, 254u, 255u})
    buffer.bytes[at] = static_cast<char>(at % 3 == 0 ? 10 : at % 3 == 1 ? 13 : 26);
  line_scan::StopMap map;
  map_line_stops(buffer.bytes, buffer_size, map);
  for (unsigned from = 0; from < buffer_size; ++from) {
    for (unsigned to = from + 1; to <= buffer_size; ++to) {
      ASSERT_EQ(find_line_stop(map, from, to), reference_stop(buffer.bytes, from, to))
          << from << " " << to;
    }
  }
}

// After a short read only the words holding the bytes read are mapped anew; the stops of an
// earlier, longer read must not show through within them.
TEST(LineStops, AShortReadRemapsTheWordsItFills) {
  AlignedBuffer buffer;
  std::memset(buffer.bytes, '\n', buffer_size);
  line_scan::StopMap map;
  map_line_stops(buffer.bytes, buffer_size, map);
  for (unsigned count = 1; count <= buffer_size; ++count) {
    std::memset(buffer.bytes, '\n', buffer_size);
    std::memset(buffer.bytes, 'y', count);
    map_line_stops(buffer.bytes, count, map);
    ASSERT_EQ(find_line_stop(map, 0, count), count) << count;
    ASSERT_EQ(find_line_stop(map, count - 1, count), count) << count;
  }
}

// The same through read_line, where the scan runs over windows that start at every offset.
TEST(FindLineStop, ReadLineCutsAtEveryStopWhereverTheLineLies) {
  for (size_t shift = 0; shift < 9; ++shift) {
    for (const char* end : {"\n", "\r\n", "\r"}) {
      std::string bytes(shift, 'p');
      bytes += "\n";
      std::vector<std::string> expected = {std::string(shift, 'p')};
      for (size_t length = 0; length < 20; ++length) {
        std::string line;
        for (size_t i = 0; i < length; ++i)
          line += static_cast<char>(fillers[(i + length) % sizeof fillers]);
        bytes += line + end;
        expected.push_back(line);
      }
      MemoryOs memory;
      memory.files["in"] = bytes;
      MemoryOsInUse in_use(memory);
      LineFile file;
      bind_name(file, short_line("in"));
      open_input(file);
      for (const std::string& line : expected)
        ASSERT_EQ(std::string(text_of(read_line(file))), line) << "shift " << shift;
      EXPECT_TRUE(at_end(file));
      close_file(file);
      EXPECT_EQ(take_io_code(), io_ok);
    }
  }
}

}  // namespace
