#include "retitler/rewrite.h"

#include <gtest/gtest.h>

#include "case_name.h"

#include <string>

#include "memory_os.h"

namespace {

std::string text(const ShortLine& line) {
  return std::string(text_of(line));
}
ShortLine line(const std::string& bytes) {
  return short_line(bytes);
}

TEST(FirstNonBlank, CountsSpacesOnly) {
  const struct {
    std::string line;
    int position;
  } cases[] = {{"", 0}, {"   ", 0}, {"x", 1}, {"  TITLE", 3}, {"\tTITLE", 1}, {" \t x", 2}};
  for (const auto& c : cases)
    EXPECT_EQ(first_non_blank(line(c.line)), c.position) << c.line;
}

TEST(LineTests, FileAndTitleLines) {
  const struct {
    std::string line;
    bool file;
    bool title;
  } cases[] = {
      {"FILE \"a.wav\" WAVE", true, false},
      {"   FLAGS DCP", true, false},  // only the first byte counts
      {"file \"a.wav\"", false, false},
      {"    TITLE \"x\"", false, true},
      {"TI", false, true},
      {"TIME", false, true},  // any T followed by I
      {"T", false, false},
      {"  TRACK 01 AUDIO", false, false},
      {"\tTITLE \"x\"", false, false},  // a tab is not blank
      {"title \"x\"", false, false},
      {"T I", false, false},
      {"", false, false},
      {"     ", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(is_file_line(line(c.line)), c.file) << c.line;
    EXPECT_EQ(is_title_line(line(c.line)), c.title) << c.line;
  }
}

TEST(TitlePrefix, RunsToTheFirstQuote) {
  EXPECT_EQ(text(title_prefix(line("    TITLE \"Track 01\""))), "    TITLE \"");
  EXPECT_EQ(text(title_prefix(line("TITLE \"a\"b\""))), "TITLE \"");
  EXPECT_EQ(text(title_prefix(line("TITLE none"))), "");
}

TEST(TrackTitle, TakesTheTextBetweenTheFirstTwoTabs) {
  const struct {
    std::string track_line;
    std::string title;
  } cases[] = {
      {"3.\tMorning Song\t4:12", "Morning Song"},
      {"3.\tMorning Song", "Morning Song"},  // no closing tab: up to the end
      {"Morning Song", "Morning Song"},      // no tab at all: the whole line
      {"3.\tA\tB\tC", "A"},
      {"\tX\t", "X"},
      {"3.\t\t4:12", ""},  // adjacent tabs: no title
      {"3.\t", ""},
      {"", ""},
      {"1.\t\"Quoted\" title\t1:00", "\"Quoted\" title"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(text(track_title(line(c.track_line))), c.title);
}

TEST(RebuildTitleLine, KeepsIndentAndKeywordAndReplacesTheRest) {
  EXPECT_EQ(
      text(rebuild_title_line(line("    TITLE \"Track 01\""), line("3.\tMorning Song\t4:12"))),
      "    TITLE \"Morning Song\"");
  EXPECT_EQ(text(rebuild_title_line(line("  TITLE \"old\" trailing junk"), line("1.\tNew\t"))),
            "  TITLE \"New\"");
}

TEST(RebuildTitleLine, CutsAt255LosingTheClosingQuote) {
  const std::string prefix = "    TITLE \"";
  ShortLine exact = rebuild_title_line(line(prefix + "x\""), line("1.\t" + std::string(243, 'n')));
  EXPECT_EQ(text(exact), prefix + std::string(243, 'n') + "\"");  // 11 + 243 + 1 = 255
  ShortLine cut = rebuild_title_line(line(prefix + "x\""), line("1.\t" + std::string(244, 'n')));
  EXPECT_EQ(text(cut), prefix + std::string(244, 'n'));
  ShortLine shorter =
      rebuild_title_line(line(prefix + "x\""), line("1.\t" + std::string(250, 'n')));
  EXPECT_EQ(text(shorter), prefix + std::string(244, 'n'));
}

TEST(RetitledLine, KeepsLinesThatCannotBeRebuilt) {
  EXPECT_EQ(text(retitled_line(line("    TITLE Track 01"), line("1.\tNew\t1:00"))),
            "    TITLE Track 01");
  EXPECT_EQ(text(retitled_line(line("    TITLE \"Old\""), line(""))), "    TITLE \"Old\"");
  EXPECT_EQ(text(retitled_line(line("    TITLE \"Old\""), line("1.\t\t1:00"))),
            "    TITLE \"Old\"");
  EXPECT_EQ(text(retitled_line(line("    TITLE \"Old\""), line("1.\tNew\t1:00"))),
            "    TITLE \"New\"");
}

// The whole rewrite through files kept in memory.
std::string rewritten(const std::string& sheet, const std::string& track_list) {
  MemoryOs memory;
  memory.files["sheet.bak"] = sheet;
  memory.files["freedb.txt"] = track_list;
  MemoryOsInUse in_use(memory);
  LineFile backup, new_sheet, list;
  bind_name(backup, short_line("sheet.bak"));
  bind_name(new_sheet, short_line("sheet"));
  bind_name(list, short_line("freedb.txt"));
  open_input(backup);
  create_output(new_sheet);
  open_input(list);
  copy_header(backup, new_sheet);
  rewrite_tracks(backup, new_sheet, list);
  close_file(backup);
  close_file(new_sheet);
  close_file(list);
  EXPECT_EQ(take_io_code(), io_ok);
  EXPECT_EQ(memory.files["sheet.bak"], sheet);
  return memory.files["sheet"];
}

struct RewriteCase {
  const char* what;
  std::string sheet;
  std::string track_list;
  std::string expected;
};

const RewriteCase rewrite_cases[] = {
    {"album title stays, three tracks retitled",
     "PERFORMER \"P\"\nTITLE \"Album\"\nFILE \"a.wav\" WAVE\n"
     "  TRACK 01 AUDIO\n    TITLE \"Track 01\"\n    PERFORMER \"P\"\n"
     "  TRACK 02 AUDIO\n    TITLE \"Track 02\"\n  TRACK 03 AUDIO\n    TITLE \"Track 03\"\n",
     "1.\tOne\t1:00\n2.\tTwo\t2:00\n3.\tThree\t3:00\n",
     "PERFORMER \"P\"\r\nTITLE \"Album\"\r\nFILE \"a.wav\" WAVE\r\n"
     "  TRACK 01 AUDIO\r\n    TITLE \"One\"\r\n    PERFORMER \"P\"\r\n"
     "  TRACK 02 AUDIO\r\n    TITLE \"Two\"\r\n  TRACK 03 AUDIO\r\n    TITLE \"Three\"\r\n"},
    {"tab-indented title copied and takes no track-list line",
     "FILE x\n\tTITLE \"a\"\n  TITLE \"b\"\n", "1.\tOne\t\n",
     "FILE x\r\n\tTITLE \"a\"\r\n  TITLE \"One\"\r\n"},
    {"any TI line takes a track-list line", "FILE x\n  TIME \"z\n  TITLE \"b\"\n",
     "1.\tOne\t\n2.\tTwo\t\n", "FILE x\r\n  TIME \"One\"\r\n  TITLE \"Two\"\r\n"},
    {"title without a quote copied, its track-list line used",
     "FILE x\n  TITLE plain\n  TITLE \"b\"\n", "1.\tOne\t\n2.\tTwo\t\n",
     "FILE x\r\n  TITLE plain\r\n  TITLE \"Two\"\r\n"},
    {"track list used up: the rest copied", "FILE x\n  TITLE \"a\"\n  TITLE \"b\"\n", "1.\tOne\t\n",
     "FILE x\r\n  TITLE \"One\"\r\n  TITLE \"b\"\r\n"},
    {"an empty track-list line keeps its title and the order",
     "FILE x\n  TITLE \"a\"\n  TITLE \"b\"\n", "\n2.\tTwo\t\n",
     "FILE x\r\n  TITLE \"a\"\r\n  TITLE \"Two\"\r\n"},
    {"second FILE line and blank lines copied",
     "FILE a\n  TITLE \"a\"\n\n   \nFILE b\n  TITLE \"b\"\n", "1.\tOne\t\r\n2.\tTwo\t\r\n",
     "FILE a\r\n  TITLE \"One\"\r\n\r\n   \r\nFILE b\r\n  TITLE \"Two\"\r\n"},
    {"track list with lone CR ends", "FILE a\n  TITLE \"a\"\n  TITLE \"b\"\n",
     "1.\tOne\t\r2.\tTwo\t\r", "FILE a\r\n  TITLE \"One\"\r\n  TITLE \"Two\"\r\n"},
    {"TITLE before FILE is the album's", "TITLE \"Album\"\nFILE a\n", "1.\tOne\t\n",
     "TITLE \"Album\"\r\nFILE a\r\n"},
    {"empty sheet stays empty", "", "1.\tOne\t\n", ""},
    {"sheet without FILE line copied whole", "REM a\nTITLE \"x\"\nREM b", "1.\tOne\t\n",
     "REM a\r\nTITLE \"x\"\r\nREM b\r\n"},
    {"FILE as the last line adds nothing", "FILE a\n", "1.\tOne\t\n", "FILE a\r\n"},
    {"last line without an end gets one", "FILE a\n  TITLE \"a\"", "1.\tOne\t\n",
     "FILE a\r\n  TITLE \"One\"\r\n"},
    {"long cue line cut at 255", "FILE a\nREM " + std::string(300, 'r') + "\n  TITLE \"a\"\n",
     "1.\tOne\t\n", "FILE a\r\nREM " + std::string(251, 'r') + "\r\n  TITLE \"One\"\r\n"},
    {"Ctrl-Z ends the sheet", "FILE a\n  TITLE \"a\"\n\x1a  TITLE \"b\"\n",
     "1.\tOne\t\n2.\tTwo\t\n", "FILE a\r\n  TITLE \"One\"\r\n"},
    {"bytes of any code page pass through", "FILE \"\xca\xe8\"\n  TITLE \"\xd2\xf0\"\n",
     "1.\t\xc3\xf0\xf3\t4:46\r\n", "FILE \"\xca\xe8\"\r\n  TITLE \"\xc3\xf0\xf3\"\r\n"},
};

class RewriteCases : public testing::TestWithParam<RewriteCase> {};

TEST_P(RewriteCases, GiveTheNewSheet) {
  EXPECT_EQ(rewritten(GetParam().sheet, GetParam().track_list), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(, RewriteCases, testing::ValuesIn(rewrite_cases), CaseName());

}  // namespace
