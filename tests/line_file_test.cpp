#include "textio/line_file.h"

#include <gtest/gtest.h>

#include "case_name.h"

#include <string>
#include <vector>

#include "memory_os.h"

namespace {

std::string text(const ShortLine& line) {
  return std::string(text_of(line));
}

// Every line of `bytes` as read_line yields it, up to at_end.
std::vector<std::string> lines_of(const std::string& bytes, uint32_t read_limit = 0) {
  MemoryOs memory;
  memory.files["in"] = bytes;
  memory.read_limit = read_limit;
  MemoryOsInUse in_use(memory);
  LineFile file;
  bind_name(file, short_line("in"));
  open_input(file);
  std::vector<std::string> lines;
  while (!at_end(file) && lines.size() < 1000)
    lines.push_back(text(read_line(file)));
  EXPECT_EQ(take_io_code(), io_ok);
  close_file(file);
  EXPECT_EQ(take_io_code(), io_ok);
  return lines;
}

struct ReadCase {
  const char* what;
  std::string bytes;
  std::vector<std::string> lines;
};

const std::string a255(255, 'a');
const std::string a253(253, 'a');

const ReadCase read_cases[] = {
    {"LF ends", "one\ntwo\n", {"one", "two"}},
    {"CR LF ends", "one\r\ntwo\r\n", {"one", "two"}},
    {"lone CR ends", "one\rtwo\r", {"one", "two"}},
    {"mixed ends", "one\r\ntwo\nthree\rfour", {"one", "two", "three", "four"}},
    {"no final end", "last", {"last"}},
    {"empty lines", "\n\r\n\r", {"", "", ""}},
    {"LF CR is two ends", "a\n\rb", {"a", "", "b"}},
    {"tabs and control bytes are text", "a\tb\x01\x7f\xff\n", {"a\tb\x01\x7f\xff"}},
    {"empty file", "", {}},
    {"Ctrl-Z ends the file", "one\ntw\x1ao\nthree\n", {"one", "tw"}},
    {"Ctrl-Z at a line start", "one\n\x1atwo\n", {"one"}},
    {"Ctrl-Z after CR", "one\r\x1a\n", {"one"}},
    {"255 bytes kept whole", a255 + "\nnext", {a255, "next"}},
    {"longer line cut at 255",
     a255 + "bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb\r\nnext\r\n",
     {a255, "next"}},
    {"tail of a long line may hold Ctrl-Z",
     a255 + "bb\x1a"
            "c\nnext",
     {a255}},
    {"CR ending one buffer load, LF the next", "x\n" + a253 + "\r\nnext", {"x", a253, "next"}},
    {"CR at the end of the 255th byte's load", a255 + "\r\nnext", {a255, "next"}},
    {"lone CR ending a load", "x\n" + a253 + "\rnext", {"x", a253, "next"}},
    {"a line of a megabyte", std::string(1 << 20, 'q') + "\nend", {std::string(255, 'q'), "end"}},
};

class ReadLineCases : public testing::TestWithParam<ReadCase> {};

TEST_P(ReadLineCases, YieldTheLines) {
  EXPECT_EQ(lines_of(GetParam().bytes), GetParam().lines);
}

TEST_P(ReadLineCases, YieldTheSameLinesWhateverTheReadSizes) {
  for (uint32_t limit : {1u, 2u, 3u, 7u, 100u, 255u}) {
    EXPECT_EQ(lines_of(GetParam().bytes, limit), GetParam().lines) << "reads of " << limit;
  }
}

INSTANTIATE_TEST_SUITE_P(, ReadLineCases, testing::ValuesIn(read_cases), CaseName());

class LineFileTest : public testing::Test {
 protected:
  void SetUp() override { take_io_code(); }
  void TearDown() override { EXPECT_EQ(take_io_code(), io_ok); }

  LineFile opened_input(const char* name) {
    LineFile file;
    bind_name(file, short_line(name));
    open_input(file);
    return file;
  }

  MemoryOs memory;
  MemoryOsInUse in_use{memory};
};

TEST_F(LineFileTest, ReadingPastTheEndYieldsEmptyLinesWithoutACode) {
  memory.files["in"] = "only\n";
  LineFile file = opened_input("in");
  EXPECT_EQ(text(read_line(file)), "only");
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(at_end(file));
    EXPECT_EQ(text(read_line(file)), "");
    EXPECT_FALSE(io_code_pending());
  }
  close_file(file);
}

TEST_F(LineFileTest, AtEndDoesNotConsume) {
  memory.files["in"] = "x";
  LineFile file = opened_input("in");
  EXPECT_FALSE(at_end(file));
  EXPECT_FALSE(at_end(file));
  EXPECT_EQ(text(read_line(file)), "x");
  EXPECT_TRUE(at_end(file));
  close_file(file);
}

TEST_F(LineFileTest, WrittenLinesEndInCrLfAndReachTheFileInFullBuffers) {
  LineFile file;
  bind_name(file, short_line("out"));
  create_output(file);
  write_line(file, short_line("one"));
  write_text(file, short_line("tw"));
  write_text(file, short_line("o"));
  end_line(file);
  EXPECT_EQ(memory.writes, 0);  // nothing leaves before the buffer is full or the file closes
  const ShortLine long_line = short_line(std::string(255, 'z'));
  write_line(file, long_line);
  EXPECT_EQ(memory.writes, 1);
  EXPECT_EQ(memory.files["out"].size(), 256u);
  close_file(file);
  EXPECT_EQ(memory.files["out"], "one\r\ntwo\r\n" + std::string(255, 'z') + "\r\n");
}

TEST_F(LineFileTest, ShortWriteLeaves101AndEmptiesTheBuffer) {
  memory.write_limit = 300;
  LineFile file;
  bind_name(file, short_line("out"));
  create_output(file);
  for (int i = 0; i < 2; ++i)
    write_line(file, short_line(std::string(200, 'y')));
  EXPECT_EQ(take_io_code(), io_ok);  // the first 256 bytes fit
  write_line(file, short_line(std::string(200, 'y')));
  EXPECT_EQ(take_io_code(), io_disk_write_error);
  close_file(file);  // what was left had been dropped: the close writes nothing more
  EXPECT_EQ(take_io_code(), io_ok);
  EXPECT_EQ(memory.files["out"].size(), 300u);
}

TEST_F(LineFileTest, CloseWritesOutAndReportsAShortWriteButStillCloses) {
  memory.write_limit = 3;
  LineFile file;
  bind_name(file, short_line("out"));
  create_output(file);
  write_line(file, short_line("hello"));
  close_file(file);
  EXPECT_EQ(take_io_code(), io_disk_write_error);
  EXPECT_EQ(file.state, FileState::closed);
  EXPECT_EQ(memory.files["out"], "hel");
}

TEST_F(LineFileTest, WrongStatesGiveTheirCodes) {
  memory.files["in"] = "x\n";
  LineFile closed;
  bind_name(closed, short_line("never opened"));
  LineFile input = opened_input("in");
  LineFile output;
  bind_name(output, short_line("out"));
  create_output(output);

  EXPECT_EQ(text(read_line(closed)), "");
  EXPECT_EQ(take_io_code(), io_file_not_open);
  EXPECT_TRUE(at_end(closed));
  EXPECT_EQ(take_io_code(), io_file_not_open);
  write_line(closed, short_line("x"));
  EXPECT_EQ(take_io_code(), io_file_not_open);
  close_file(closed);
  EXPECT_EQ(take_io_code(), io_file_not_open);

  EXPECT_EQ(text(read_line(output)), "");
  EXPECT_EQ(take_io_code(), io_not_open_for_input);
  EXPECT_TRUE(at_end(output));
  EXPECT_EQ(take_io_code(), io_not_open_for_input);
  write_line(input, short_line("x"));
  EXPECT_EQ(take_io_code(), io_not_open_for_output);
  close_file(input);
  close_file(output);
}

TEST_F(LineFileTest, OpeningAMissingFileLeavesItsCodeAndTheFileClosed) {
  LineFile file = opened_input("missing");
  EXPECT_EQ(take_io_code(), 2);
  EXPECT_EQ(file.state, FileState::closed);
}

TEST_F(LineFileTest, APendingCodeMakesEveryOperationInertAndTheFirstCodeWins) {
  memory.files["in"] = "line\n";
  LineFile input = opened_input("in");
  LineFile output;
  bind_name(output, short_line("out"));
  create_output(output);
  LineFile missing = opened_input("missing");  // leaves 2 pending

  EXPECT_EQ(text(read_line(input)), "");
  EXPECT_TRUE(at_end(input));
  write_line(output, short_line("lost"));
  close_file(output);
  close_file(missing);  // would be 103
  rename_closed(missing, short_line("elsewhere"));
  EXPECT_EQ(output.state, FileState::output);
  EXPECT_EQ(take_io_code(), 2);

  EXPECT_EQ(text(read_line(input)), "line");  // nothing was consumed meanwhile
  close_file(output);
  EXPECT_EQ(memory.files["out"], "");
  close_file(input);
}

TEST_F(LineFileTest, RenameMovesTheFileAndTheNameFollows) {
  memory.files["a.cue"] = "sheet";
  LineFile file;
  bind_name(file, short_line("a.cue"));
  rename_closed(file, short_line("a.cue.bak"));
  EXPECT_EQ(take_io_code(), io_ok);
  EXPECT_STREQ(file.name, "a.cue.bak");
  open_input(file);
  EXPECT_EQ(text(read_line(file)), "sheet");
  close_file(file);
  EXPECT_EQ(memory.files.count("a.cue"), 0u);
}

TEST_F(LineFileTest, RenameOntoATakenNameLeavesBothFilesAnd5) {
  memory.files["a.cue"] = "new";
  memory.files["a.cue.bak"] = "old";
  LineFile file;
  bind_name(file, short_line("a.cue"));
  rename_closed(file, short_line("a.cue.bak"));
  EXPECT_EQ(take_io_code(), 5);
  EXPECT_STREQ(file.name, "a.cue");
  EXPECT_EQ(memory.files["a.cue"], "new");
  EXPECT_EQ(memory.files["a.cue.bak"], "old");
}

TEST_F(LineFileTest, RenameOfAnOpenFileDoesNothing) {
  memory.files["a.cue"] = "x";
  LineFile file = opened_input("a.cue");
  rename_closed(file, short_line("b.cue"));
  EXPECT_EQ(take_io_code(), io_ok);
  EXPECT_EQ(memory.files.count("b.cue"), 0u);
  close_file(file);
}

TEST(IoCodeTranslation, FollowsTheTable) {
  const struct {
    OsError error;
    IoCode code;
  } cases[] = {{2, 2},  {3, 3},   {5, 5},     {18, 18},   {19, 150}, {25, 156}, {31, 162},
               {32, 5}, {33, 33}, {109, 109}, {112, 112}, {145, 5},  {183, 5},  {206, 206}};
  for (const auto& c : cases)
    EXPECT_EQ(io_code_from_os_error(c.error), c.code) << c.error;
}

TEST(ShortLineTest, AppendsCutAt255) {
  ShortLine line = short_line(std::string(250, 'a'));
  append(line, "bcdefgh");
  EXPECT_EQ(line.length, 255);
  EXPECT_EQ(text_of(line).substr(250), "bcdef");
  append(line, "x");
  EXPECT_EQ(line.length, 255);
  EXPECT_EQ(short_line(std::string(300, 'c')).length, 255);
}

}  // namespace
