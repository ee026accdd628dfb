#include "textio/line_scan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "memory_os.h"
#include "textio/line_file.h"

namespace {

// The plain definition the word-at-a-time scan must agree with.
size_t reference_stop(const std::string& bytes) {
  for (size_t i = 0; i < bytes.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c == 10 || c == 13 || c == 26) return i;
  }
  return bytes.size();
}

size_t found_stop(const std::string& bytes) {
  const char* from = bytes.data();
  return static_cast<size_t>(find_line_stop(from, from + bytes.size()) - from);
}

size_t copied_stop(const std::string& bytes, std::string* copy) {
  std::vector<char> out(bytes.size() + 1, '#');
  const char* from = bytes.data();
  size_t stop =
      static_cast<size_t>(copy_to_line_stop(from, from + bytes.size(), out.data()) - from);
  *copy = std::string(out.data(), stop);
  EXPECT_EQ(out[bytes.size()], '#') << "wrote past its room";
  return stop;
}

// Bytes next to a stop that a wrong word test could take for one, or whose neighbours it could
// hide: the neighbours of 10, 13 and 26, the tab, zero, and bytes with the high bit set.
const unsigned char fillers[] = {'a', 0,    1,    9,    11,   12,   14,  25,
                                 27,  0x7f, 0x80, 0x8a, 0x8d, 0x9a, 0xff};

TEST(FindLineStop, AgreesWithTheDefinitionForEveryByteAtEveryOffset) {
  for (unsigned char filler : fillers) {
    for (size_t length = 0; length <= 25; ++length) {
      for (size_t at = 0; at < length; ++at) {
        for (int value = 0; value < 256; ++value) {
          std::string bytes(length, static_cast<char>(filler));
          bytes[at] = static_cast<char>(value);
          size_t expected = reference_stop(bytes);
          ASSERT_EQ(found_stop(bytes), expected) << "filler " << int(filler) << ", length "
                                                 << length << ", byte " << value << " at " << at;
          std::string copy;
          ASSERT_EQ(copied_stop(bytes, &copy), expected);
          ASSERT_EQ(copy, bytes.substr(0, expected));
        }
      }
    }
  }
}

TEST(FindLineStop, FindsTheFirstOfSeveralStopsInAWord) {
  for (const char* stops : {"\n\r", "\r\n", "\x1a\n", "\n\x1a", "\r\x1a"}) {
    for (size_t first = 0; first + 1 < 16; ++first) {
      for (size_t second = first + 1; second < 16; ++second) {
        std::string bytes(16, '\t');
        bytes[first] = stops[0];
        bytes[second] = stops[1];
        ASSERT_EQ(found_stop(bytes), first) << first << " " << second;
        std::string copy;
        ASSERT_EQ(copied_stop(bytes, &copy), first);
      }
    }
  }
}

TEST(FindLineStop, PassesWordsFullOfBytesBelow27ThatAreNoStop) {
  std::string bytes;
  for (int i = 0; i < 40; ++i)
    bytes += static_cast<char>(i % 27 == 10 || i % 27 == 13 || i % 27 == 26 ? 9 : i % 27);
  EXPECT_EQ(found_stop(bytes), bytes.size());
  bytes += "\r\n";
  EXPECT_EQ(found_stop(bytes), 40u);
}

TEST(FindLineStop, StartsAndEndsAnywhereInTheBuffer) {
  std::string bytes(64, 'x');
  bytes[37] = '\n';
  const char* base = bytes.data();
  for (size_t from = 0; from <= 37; ++from) {
    for (size_t to = from; to <= 64; ++to) {
      const char* expected = to > 37 ? base + 37 : base + to;
      ASSERT_EQ(find_line_stop(base + from, base + to), expected) << from << " " << to;
    }
  }
}

TEST(FindLineStop, WordTestsMarkExactlyTheBytesBelow27) {
  for (int value = 0; value < 256; ++value) {
    for (int at = 0; at < 8; ++at) {
      unsigned char bytes[8];
      for (int i = 0; i < 8; ++i)
        bytes[i] = 200;
      bytes[at] = static_cast<unsigned char>(value);
      line_scan::Word word;
      std::memcpy(&word, bytes, sizeof word);
      line_scan::Word marks = line_scan::bytes_below_27(word);
      EXPECT_EQ(marks != 0, value < 27) << value;
      EXPECT_EQ(line_scan::any_byte_below_27(word) != 0, value < 27) << value;
      if (marks != 0) {
        EXPECT_EQ(line_scan::first_marked(marks), at);
        EXPECT_EQ(line_scan::without_first(marks), 0u);
      }
    }
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
