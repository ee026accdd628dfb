#include "textio/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> split(const std::string& text) {
  ArgumentList pieces = split_command_line(text.c_str());
  return std::vector<std::string>(pieces.items, pieces.items + pieces.count);
}

using Pieces = std::vector<std::string>;

TEST(SplitCommandLine, FollowsTheQuotingRules) {
  const struct {
    std::string text;
    Pieces pieces;
  } cases[] = {
      {"", {}},
      {"   \t ", {}},
      {"brenvik.exe", {"brenvik.exe"}},
      {"  brenvik.exe  ", {"brenvik.exe"}},
      {"brenvik.exe a.cue b.cue", {"brenvik.exe", "a.cue", "b.cue"}},
      {"brenvik.exe\ta.cue\t\tb.cue", {"brenvik.exe", "a.cue", "b.cue"}},
      {"brenvik.exe \"My Album.cue\"", {"brenvik.exe", "My Album.cue"}},
      {"brenvik.exe \"\"", {"brenvik.exe", ""}},
      {"brenvik.exe \"\" x", {"brenvik.exe", "", "x"}},
      {"brenvik.exe a\"\"b", {"brenvik.exe", "ab"}},
      {"brenvik.exe \"a \"\" b\"", {"brenvik.exe", "a  b"}},  // doubled quote keeps quoting on
      {"brenvik.exe \"a\"b\" c\"", {"brenvik.exe", "ab c"}},
      {"brenvik.exe \"unclosed tail", {"brenvik.exe", "unclosed tail"}},
      {"brenvik.exe \"\t\x01\"", {"brenvik.exe", "\t\x01"}},
      {"brenvik.exe a\x01"
       "b\x1f"
       "c",
       {"brenvik.exe", "a", "b", "c"}},
      {"\"C:\\Program Files\\brenvik.exe\" x", {"C:\\Program Files\\brenvik.exe", "x"}},
      {"brenvik.exe \xca\xe8\xec\xee.cue", {"brenvik.exe", "\xca\xe8\xec\xee.cue"}},
      {"brenvik.exe \"\"\"\"", {"brenvik.exe", ""}},
      {"brenvik.exe \"\"\"", {"brenvik.exe", ""}},
      {"brenvik.exe \"\" \"\"", {"brenvik.exe", "", ""}},
      {"\"brenvik.exe\"", {"brenvik.exe"}},
      {"brenvik.exe\r\n", {"brenvik.exe"}},
      {"brenvik.exe a\"b c\"d", {"brenvik.exe", "ab cd"}},
      {"brenvik.exe \"a\"\"b\"", {"brenvik.exe", "ab"}},
      // A backslash is an ordinary byte, also before a quote: it escapes nothing.
      {"brenvik.exe \"C:\\My Music\\\" x", {"brenvik.exe", "C:\\My Music\\", "x"}},
      {"brenvik.exe a\\\"b c\"", {"brenvik.exe", "a\\b c"}},
      // Only bytes 1 to 32 separate: DEL and the bytes above 127 are text.
      {"brenvik.exe a\x7f\xa0\xff!", {"brenvik.exe", "a\x7f\xa0\xff!"}},
      {"brenvik.exe \"Side\tA.cue\" \"My  Album .cue\"",
       {"brenvik.exe", "Side\tA.cue", "My  Album .cue"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(split(c.text), c.pieces) << c.text;
}

TEST(SplitCommandLine, AHugeLineIsCutNotOverrun) {
  std::string text(200000, 'x');
  for (size_t i = 1; i < text.size(); i += 2)
    text[i] = ' ';
  ArgumentList pieces = split_command_line(text.c_str());
  EXPECT_GT(pieces.count, 0);
  EXPECT_LE(pieces.count, 32768);
  EXPECT_EQ(std::string(pieces.items[pieces.count - 1]), "x");
}

TEST(SplitCommandLine, TheProgramNameIsDroppedFromTheArguments) {
  const struct {
    const char* text;
    Pieces arguments;
  } cases[] = {
      {"", {}},
      {"brenvik.exe", {}},
      {"\"C:\\Program Files\\brenvik.exe\"", {}},
      {"brenvik.exe \"\"", {""}},
      {"brenvik.exe a.cue b.cue", {"a.cue", "b.cue"}},
  };
  for (const auto& c : cases) {
    ArgumentList arguments = without_program_name(split_command_line(c.text));
    EXPECT_EQ(Pieces(arguments.items, arguments.items + arguments.count), c.arguments) << c.text;
  }
}

TEST(Arguments, ComeCutTo255AndOutOfRangeEmpty) {
  const std::string long_name(300, 'n');
  const char* items[] = {"a.cue", long_name.c_str()};
  set_arguments("/usr/bin/brenvik", {2, items});
  EXPECT_EQ(argument_count(), 2);
  EXPECT_EQ(text_of(argument(0)), "/usr/bin/brenvik");
  EXPECT_EQ(text_of(argument(1)), "a.cue");
  EXPECT_EQ(text_of(argument(2)), std::string(255, 'n'));
  EXPECT_EQ(argument(3).length, 0);
  EXPECT_EQ(argument(-1).length, 0);
  set_arguments("", {});
  EXPECT_EQ(argument_count(), 0);
}

}  // namespace
