#include "textio/short_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// copy_run moves a run in overlapping fixed-size pieces; every length must come out whole, with
// nothing written before or after it.
TEST(CopyRun, CopiesEveryLengthExactlyAndNothingAround) {
  char from[ShortLine::capacity];
  for (int i = 0; i < ShortLine::capacity; ++i)
    from[i] = static_cast<char>(i * 37 + 11);
  for (size_t count = 0; count <= ShortLine::capacity; ++count) {
    for (size_t offset : {0, 1, 7, 15}) {
      char to[ShortLine::capacity + 32];
      std::memset(to, '#', sizeof to);
      copy_run(to + offset, from, count);
      ASSERT_EQ(std::string(to + offset, count), std::string(from, count)) << count;
      for (size_t i = 0; i < offset; ++i)
        ASSERT_EQ(to[i], '#') << "wrote before the run: " << count;
      for (size_t i = offset + count; i < sizeof to; ++i)
        ASSERT_EQ(to[i], '#') << "wrote after the run: " << count << " at " << i;
    }
  }
}

TEST(ShortLine, AppendKeepsTheFirst255Bytes) {
  struct Case {
    size_t first, second, expected;
  };
  for (Case c : {Case{0, 0, 0}, Case{3, 4, 7}, Case{200, 55, 255}, Case{200, 56, 255},
                 Case{255, 1, 255}, Case{0, 300, 255}, Case{254, 16, 255}}) {
    std::string one(c.first, 'a'), two(c.second, 'b');
    ShortLine line = short_line(one);
    append(line, two);
    EXPECT_EQ(std::string(text_of(line)), (one + two).substr(0, c.expected))
        << c.first << " + " << c.second;
  }
}

// The plain definitions the block-at-a-time searches must agree with.
int reference_find(const std::string& bytes, int from, char byte) {
  size_t found = bytes.find(byte, static_cast<size_t>(from));
  return found == std::string::npos ? static_cast<int>(bytes.size()) : static_cast<int>(found);
}

int reference_skip(const std::string& bytes, int from, char byte) {
  size_t found = bytes.find_first_not_of(byte, static_cast<size_t>(from));
  return found == std::string::npos ? static_cast<int>(bytes.size()) : static_cast<int>(found);
}

// Every line length around the sixteen-byte blocks, the wanted byte in every place or nowhere,
// and every starting place: lines of sixteen bytes or more end in a block that overlaps the one
// before it, so a hit there must be neither missed nor found before `from`.
TEST(ShortLineSearch, FindAndSkipAgreeWithTheDefinitionsEverywhere) {
  for (int length : {0, 1, 2, 15, 16, 17, 20, 31, 32, 33, 47, 48, 49, 100, 254, 255}) {
    for (int at = -1; at < length; ++at) {
      std::string found_in(static_cast<size_t>(length), 'x');
      std::string blanks(static_cast<size_t>(length), ' ');
      if (at >= 0) {
        found_in[static_cast<size_t>(at)] = '\t';
        blanks[static_cast<size_t>(at)] = 'T';
      }
      if (length > 3)
        found_in[static_cast<size_t>(length / 3)] = '\t';  // a second one, earlier or later
      ShortLine tabs = short_line(found_in);
      ShortLine indent = short_line(blanks);
      for (int from = 0; from <= length; ++from) {
        ASSERT_EQ(find_byte<'\t'>(tabs, from), reference_find(found_in, from, '\t'))
            << "length " << length << ", tab at " << at << ", from " << from;
        ASSERT_EQ(skip_byte<' '>(indent, from), reference_skip(blanks, from, ' '))
            << "length " << length << ", other byte at " << at << ", from " << from;
      }
    }
  }
}

TEST(ShortLine, AppendingOneByteStopsAt255) {
  ShortLine line = short_line(std::string(254, 'a'));
  append(line, '"');
  EXPECT_EQ(line.length, 255);
  EXPECT_EQ(line.bytes[254], '"');
  append(line, '"');
  EXPECT_EQ(line.length, 255);
}

}  // namespace
