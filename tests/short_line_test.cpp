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

}  // namespace
