// Runs the built tool in scratch folders and compares standard output, exit code and every file
// byte for byte. The command line names what to run:
//   --tool=PATH         the tool
//   --faults-tool=PATH  the tool with one operating-system call made to fail (BRENVIK_FAULT)
//   --launcher=WORDS    optional: words to put before the tool, such as "wine"
//   --corpus=PATH       the folder of real-world cue sheets
//   --examples=PATH     the folder of the bundled example
//   --peak-memory=PATH  optional: the helper that measures a command's peak memory
// A tool whose name ends in ".exe" is a Windows program: where the two platforms differ (which
// names a file may have), the cases expect what Windows does.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "case_name.h"
#include "reference_model.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Files = std::map<std::string, std::string>;  // path in the scratch folder -> bytes
const std::string folder_mark = "<folder>";
const std::string fifo_mark = "<named pipe>";

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

struct Settings {
  std::string tool, faults_tool, launcher, corpus, examples, peak_memory;
};
Settings settings;

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void write_file(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

void snapshot(const std::string& root, const std::string& relative, Files& files) {
  DIR* folder = opendir((root + "/" + relative).c_str());
  if (folder == nullptr) return;
  while (dirent* entry = readdir(folder)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    std::string path = relative.empty() ? name : relative + "/" + name;
    struct stat info;
    if (lstat((root + "/" + path).c_str(), &info) != 0) continue;
    if (S_ISDIR(info.st_mode)) {
      files[path] = folder_mark;
      snapshot(root, path, files);
    } else if (S_ISFIFO(info.st_mode)) {
      files[path] = fifo_mark;  // reading it would wait for a writer
    } else {
      files[path] = read_file(root + "/" + path);
    }
  }
  closedir(folder);
}

struct ToolRun {
  std::string output;
  std::string errors;
  int exit_code = -1;       // 1000 + the signal when a signal ended it
  long peak_memory_kb = 0;  // with RunOptions::measure_memory: the tool's largest resident set
  std::string calls;        // the faults build's call log, one call a line
};

enum class StandardOutput { pipe, full, closed_pipe };

struct RunOptions {
  std::string fault;                             // BRENVIK_FAULT for the faults build
  uint32_t read_chunks = 0;                      // BRENVIK_READ_CHUNKS for the faults build
  bool log_calls = false;                        // fill ToolRun::calls (faults build)
  StandardOutput output = StandardOutput::pipe;  // what standard output is (pipe: read back)
  bool unprivileged = false;                     // run as nobody when the tests run as root
  bool measure_memory = false;  // fill ToolRun::peak_memory_kb (needs --peak-memory)
  unsigned timeout_seconds = 120;
};

std::string drain(int fd) {
  std::string bytes;
  char chunk[4096];
  ssize_t count;
  while ((count = read(fd, chunk, sizeof chunk)) > 0)
    bytes.append(chunk, count);
  close(fd);
  return bytes;
}

// A scratch folder with files in it, removed afterwards.
class Scratch {
 public:
  explicit Scratch(const Files& files) {
    std::string base = environment("TMPDIR").empty() ? "/tmp" : environment("TMPDIR");
    std::string pattern = base + "/brenvik-e2e-XXXXXX";
    path_ = mkdtemp(pattern.data());
    for (const auto& [name, bytes] : files) {
      if (bytes == folder_mark) {
        mkdir((path_ + "/" + name).c_str(), 0777);
      } else if (bytes == fifo_mark) {
        mkfifo((path_ + "/" + name).c_str(), 0666);
      } else {
        write_file(path_ + "/" + name, bytes);
      }
    }
  }
  ~Scratch() { std::system(("rm -rf '" + path_ + "'").c_str()); }

  Files files() const {
    Files found;
    snapshot(path_, "", found);
    return found;
  }

  // Runs `tool` here with `arguments`; `fault` goes to BRENVIK_FAULT when not empty.
  ToolRun run(const std::string& tool, const std::vector<std::string>& arguments,
              const std::string& fault = "") const {
    RunOptions options;
    options.fault = fault;
    return run_with(tool, arguments, options);
  }

  ToolRun run_with(const std::string& tool, const std::vector<std::string>& arguments,
                   const RunOptions& options) const {
    std::vector<std::string> words;
    if (options.unprivileged && geteuid() == 0) {
      words = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    }
    std::istringstream launcher(settings.launcher);
    for (std::string word; launcher >> word;)
      words.push_back(word);
    const std::string memory_report = path_ + ".memory";
    if (options.measure_memory) words.insert(words.end(), {settings.peak_memory, memory_report});
    words.push_back(tool);
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& word : words)
      argv.push_back(word.data());
    argv.push_back(nullptr);
    const std::string call_log = path_ + ".calls";

    int output_pipe[2], error_pipe[2];
    EXPECT_EQ(pipe(output_pipe), 0);
    EXPECT_EQ(pipe(error_pipe), 0);
    // A pipe nobody reads: the reading end is gone before the tool starts.
    if (options.output == StandardOutput::closed_pipe) close(output_pipe[0]);
    pid_t child = fork();
    if (child == 0) {
      if (options.output == StandardOutput::full) {
        int full = open("/dev/full", O_WRONLY);
        dup2(full, 1);
      } else {
        dup2(output_pipe[1], 1);
      }
      dup2(error_pipe[1], 2);
      int nothing = open("/dev/null", O_RDONLY);
      dup2(nothing, 0);
      if (options.output != StandardOutput::closed_pipe) close(output_pipe[0]);
      close(output_pipe[1]);
      close(error_pipe[0]);
      if (chdir(path_.c_str()) != 0) _exit(126);
      options.fault.empty() ? unsetenv("BRENVIK_FAULT")
                            : setenv("BRENVIK_FAULT", options.fault.c_str(), 1);
      if (options.read_chunks != 0) {
        setenv("BRENVIK_READ_CHUNKS", std::to_string(options.read_chunks).c_str(), 1);
      }
      if (options.log_calls) setenv("BRENVIK_CALL_LOG", call_log.c_str(), 1);
      // A tool that hangs is killed by the alarm, which outlives exec, and shows as signal 14.
      alarm(options.timeout_seconds);
      execvp(argv[0], argv.data());
      _exit(127);
    }
    close(output_pipe[1]);
    close(error_pipe[1]);
    ToolRun run;
    // Standard error stays small (nothing, or a launcher's notes), so reading standard output
    // to its end first cannot block the child.
    if (options.output != StandardOutput::closed_pipe) run.output = drain(output_pipe[0]);
    run.errors = drain(error_pipe[0]);
    int status = 0;
    waitpid(child, &status, 0);
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
    if (options.measure_memory) {
      run.peak_memory_kb = std::atol(read_file(memory_report).c_str());
      unlink(memory_report.c_str());
    }
    if (options.log_calls) {
      run.calls = read_file(call_log);
      unlink(call_log.c_str());
    }
    return run;
  }

  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

std::string lines(std::initializer_list<const char*> texts) {
  std::string bytes;
  for (const char* text : texts)
    bytes += std::string(text) + "\r\n";
  return bytes;
}

const char* const opened = "Open \"freedb.txt\" - OK.";
const char* const backed_up = "Create backup file - OK.";
const char* const created = "Create new CUE file - OK.";
const char* const done = "All Done!";
const std::string all_ok = lines({opened, backed_up, created, done});

// Checks that `output` is `before` followed by one run-time error report for `code`, whose trace
// goes at least one level above the failed code (the run is always called from somewhere).
void expect_runtime_error(const std::string& output, const std::string& before, int code) {
  ASSERT_GE(output.size(), before.size()) << output;
  EXPECT_EQ(output.substr(0, before.size()), before);
  static const std::regex report(
      "Runtime error ([0-9]+) at \\$([0-9A-F]{8})\r\n  \\$\\2\r\n(  \\$[0-9A-F]{8}\r\n)+\r\n");
  std::smatch match;
  std::string rest = output.substr(before.size());
  ASSERT_TRUE(std::regex_match(rest, match, report)) << "not one report: " << rest;
  EXPECT_EQ(match[1].str(), std::to_string(code));
}

class EndToEnd : public testing::Test {
 protected:
  void SetUp() override {
    tool = settings.tool;
    faults_tool = settings.faults_tool;
    corpus = settings.corpus;
    examples = settings.examples;
    windows_program = tool.size() > 4 && tool.compare(tool.size() - 4, 4, ".exe") == 0;
    ASSERT_FALSE(tool.empty()) << "--tool names the tool to run";
  }

  // Nothing goes to standard error, but a launcher may have its own say there.
  void expect_quiet(const ToolRun& run) {
    if (settings.launcher.empty()) {
      EXPECT_EQ(run.errors, "");
    }
  }

  std::string tool, faults_tool, corpus, examples;
  bool windows_program = false;
};

const std::string sheet =
    "REM DATE 1999\r\nPERFORMER \"Band\"\r\nTITLE \"Album\"\r\nFILE \"album.wav\" WAVE\r\n"
    "  TRACK 01 AUDIO\r\n    TITLE \"Track 01\"\r\n    INDEX 01 00:00:00\r\n"
    "  TRACK 02 AUDIO\r\n    TITLE \"Track 02\"\r\n    INDEX 01 03:00:00\r\n";
const std::string track_list = "1.\tFirst Light\t3:00\r\n2.\tSecond Wind\t4:00\r\n";
const std::string retitled =
    "REM DATE 1999\r\nPERFORMER \"Band\"\r\nTITLE \"Album\"\r\nFILE \"album.wav\" WAVE\r\n"
    "  TRACK 01 AUDIO\r\n    TITLE \"First Light\"\r\n    INDEX 01 00:00:00\r\n"
    "  TRACK 02 AUDIO\r\n    TITLE \"Second Wind\"\r\n    INDEX 01 03:00:00\r\n";

// One way a run can go: what the folder holds before and after, what the tool says.
struct Case {
  const char* what;
  Files before;
  std::vector<std::string> arguments;
  std::string fault;  // run the faults build with this BRENVIK_FAULT
  std::string output;
  int report = 0;  // after `output`, a run-time error report for this code, and it is the exit code
  Files after;
  bool posix_only = false;  // a case of POSIX files (named pipes) that Windows does not have
};

// A sheet of some kilobytes, so that reads and writes come in several buffer loads.
std::string long_sheet(int tracks) {
  std::string bytes = "REM GENRE Test\r\nPERFORMER \"Band\"\r\nTITLE \"Album\"\r\n";
  bytes += "FILE \"album.wav\" WAVE\r\n";
  for (int i = 1; i <= tracks; ++i) {
    std::string n = std::to_string(i);
    bytes += "  TRACK " + n + " AUDIO\r\n    TITLE \"Old title number " + n +
             "\"\r\n    PERFORMER \"Band\"\r\n    INDEX 01 0" + n + ":00:00\r\n";
  }
  return bytes;
}

std::string long_track_list(int tracks) {
  std::string bytes;
  for (int i = 1; i <= tracks; ++i) {
    std::string n = std::to_string(i);
    bytes += n + ".\tThe new title of track " + n + "\t" + n + ":00\r\n";
  }
  return bytes;
}

// Names of a given length in bytes, ending in ".cue".
std::string name_of_length(size_t length) {
  return std::string(length - 4, 'n') + ".cue";
}

// Bytes of every value but Ctrl-Z (which would end the sheet early), from a fixed seed.
std::string binary_bytes(size_t size) {
  std::string bytes;
  uint32_t state = 12345;
  while (bytes.size() < size) {
    state = state * 1103515245u + 12345u;
    char byte = static_cast<char>(state >> 23);
    if (byte != 26) bytes += byte;
  }
  return bytes;
}

const std::string binary_sheet = binary_bytes(20000);
const std::string megabyte_line(1 << 20, 'x');

const Case cases[] = {
    {"no argument prints the usage",
     {{"a.cue", sheet}, {"freedb.txt", track_list}},
     {},
     "",
     lines({"-=BRENVIK [v0.1]=-  Puts the track titles of a freedb track list into a CD cue sheet.",
            "Copy from freedb.org tracklist to file \"freedb.txt\". Then use command line!",
            "Uses: brenvik.exe CUE_file"}),
     0,
     {{"a.cue", sheet}, {"freedb.txt", track_list}}},
    {"normal run",
     {{"a.cue", sheet}, {"freedb.txt", track_list}},
     {"a.cue"},
     "",
     all_ok,
     0,
     {{"a.cue", retitled}, {"a.cue.bak", sheet}, {"freedb.txt", track_list}}},
    {"further arguments are ignored",
     {{"a.cue", sheet}, {"freedb.txt", track_list}},
     {"a.cue", "b.cue", "c"},
     "",
     all_ok,
     0,
     {{"a.cue", retitled}, {"a.cue.bak", sheet}, {"freedb.txt", track_list}}},
    {"a name with spaces",
     {{"My Album (1999).cue", sheet}, {"freedb.txt", track_list}},
     {"My Album (1999).cue"},
     "",
     all_ok,
     0,
     {{"My Album (1999).cue", retitled},
      {"My Album (1999).cue.bak", sheet},
      {"freedb.txt", track_list}}},
    {"runs of spaces and a leading space stay in the name",
     {{" My  Album .cue", sheet}, {"My", "decoy"}, {"freedb.txt", track_list}},
     {" My  Album .cue"},
     "",
     all_ok,
     0,
     {{" My  Album .cue", retitled},
      {" My  Album .cue.bak", sheet},
      {"My", "decoy"},
      {"freedb.txt", track_list}}},
    {"an empty argument counts: it is the sheet's name",
     {{"a.cue", sheet}, {"freedb.txt", track_list}},
     {"", "a.cue"},
     "",
     lines({opened}),
     3,
     {{"a.cue", sheet}, {"freedb.txt", track_list}}},
    {"a name with a path: backup beside the sheet, track list from here",
     {{"disc", folder_mark}, {"disc/a.cue", sheet}, {"freedb.txt", track_list}},
     {"disc/a.cue"},
     "",
     all_ok,
     0,
     {{"disc", folder_mark},
      {"disc/a.cue", retitled},
      {"disc/a.cue.bak", sheet},
      {"freedb.txt", track_list}}},
    {"an empty sheet",
     {{"a.cue", ""}, {"freedb.txt", track_list}},
     {"a.cue"},
     "",
     all_ok,
     0,
     {{"a.cue", ""}, {"a.cue.bak", ""}, {"freedb.txt", track_list}}},
    {"no track list",
     {{"a.cue", sheet}},
     {"a.cue"},
     "",
     lines({"Error open \"freedb.txt\" !"}),
     0,
     {{"a.cue", sheet}}},
    {"the track list is a folder",
     {{"a.cue", sheet}, {"freedb.txt", folder_mark}},
     {"a.cue"},
     "",
     lines({"Error open \"freedb.txt\" !"}),
     0,
     {{"a.cue", sheet}, {"freedb.txt", folder_mark}}},
    {"the track list is a named pipe: refused, never waited on",
     {{"a.cue", sheet}, {"freedb.txt", fifo_mark}},
     {"a.cue"},
     "",
     lines({"Error open \"freedb.txt\" !"}),
     0,
     {{"a.cue", sheet}, {"freedb.txt", fifo_mark}},
     true},
    {"the sheet is a named pipe: never renamed",
     {{"a.cue", fifo_mark}, {"freedb.txt", track_list}},
     {"a.cue"},
     "",
     lines({opened}),
     5,
     {{"a.cue", fifo_mark}, {"freedb.txt", track_list}},
     true},
    {"the sheet is missing",
     {{"freedb.txt", track_list}},
     {"a.cue"},
     "",
     lines({opened}),
     2,
     {{"freedb.txt", track_list}}},
    {"the sheet's folder is missing",
     {{"freedb.txt", track_list}},
     {"nowhere/a.cue"},
     "",
     lines({opened}),
     3,
     {{"freedb.txt", track_list}}},
    {"the backup name is taken",
     {{"a.cue", sheet}, {"a.cue.bak", "older"}, {"freedb.txt", track_list}},
     {"a.cue"},
     "",
     lines({opened}),
     5,
     {{"a.cue", sheet}, {"a.cue.bak", "older"}, {"freedb.txt", track_list}}},
    {"the sheet is a folder: never renamed",
     {{"a.cue", folder_mark}, {"a.cue/x", "inside"}, {"freedb.txt", track_list}},
     {"a.cue"},
     "",
     lines({opened}),
     5,
     {{"a.cue", folder_mark}, {"a.cue/x", "inside"}, {"freedb.txt", track_list}}},
    {"the backup does not open after the rename",
     {{"a.cue", sheet}, {"freedb.txt", track_list}},
     {"a.cue"},
     "open_read:2:5",
     lines({opened, created}),
     103,
     {{"a.cue", ""}, {"a.cue.bak", sheet}, {"freedb.txt", track_list}}},
    {"the new sheet cannot be created",
     {{"a.cue", sheet}, {"freedb.txt", track_list}},
     {"a.cue"},
     "create_write:1:5",
     lines({opened, backed_up}),
     103,
     {{"a.cue.bak", sheet}, {"freedb.txt", track_list}}},
    {"the disk is full at the new sheet's first write",
     {{"a.cue", sheet}, {"freedb.txt", track_list}},
     {"a.cue"},
     "write:1:112",
     lines({opened, backed_up, created}),
     101,
     {{"a.cue", ""}, {"a.cue.bak", sheet}, {"freedb.txt", track_list}}},
    {"the new sheet fails to close",
     {{"a.cue", sheet}, {"freedb.txt", track_list}},
     {"a.cue"},
     "close:2:29",
     lines({opened, backed_up, created}),
     160,
     {{"a.cue", retitled}, {"a.cue.bak", sheet}, {"freedb.txt", track_list}}},
    {"a read of the backup fails",
     {{"a.cue", sheet}, {"freedb.txt", track_list}},
     {"a.cue"},
     "read:1:30",
     lines({opened, backed_up, created}),
     161,
     {{"a.cue", ""}, {"a.cue.bak", sheet}, {"freedb.txt", track_list}}},
    {"an empty argument names no file: no path, as Windows says",
     {{"a.cue", sheet}, {"freedb.txt", track_list}},
     {""},
     "",
     lines({opened}),
     3,
     {{"a.cue", sheet}, {"freedb.txt", track_list}}},
    {"a 251 byte name gets its whole backup name of 255",
     {{name_of_length(251), sheet}, {"freedb.txt", track_list}},
     {name_of_length(251)},
     "",
     all_ok,
     0,
     {{name_of_length(251), retitled},
      {name_of_length(251) + ".bak", sheet},
      {"freedb.txt", track_list}}},
    {"a 253 byte name gets a backup name cut to 255",
     {{name_of_length(253), sheet}, {"freedb.txt", track_list}},
     {name_of_length(253)},
     "",
     all_ok,
     0,
     {{name_of_length(253), retitled},
      {name_of_length(253) + ".b", sheet},
      {"freedb.txt", track_list}}},
    {"a 255 byte name cannot get a backup: the rename onto itself is refused",
     {{name_of_length(255), sheet}, {"freedb.txt", track_list}},
     {name_of_length(255)},
     "",
     lines({opened}),
     5,
     {{name_of_length(255), sheet}, {"freedb.txt", track_list}}},
    {"a longer argument is cut to 255 bytes, naming no file",
     {{"a.cue", sheet}, {"freedb.txt", track_list}},
     {name_of_length(255) + "-and-more.cue"},
     "",
     lines({opened}),
     2,
     {{"a.cue", sheet}, {"freedb.txt", track_list}}},
    {"a longer argument is cut to 255 bytes, naming a file that cannot get a backup",
     {{name_of_length(255), sheet}, {"freedb.txt", track_list}},
     {name_of_length(255) + std::string(20, 'z')},
     "",
     lines({opened}),
     5,
     {{name_of_length(255), sheet}, {"freedb.txt", track_list}}},
    {"a binary file as the sheet",
     {{"a.cue", binary_sheet}, {"freedb.txt", track_list}},
     {"a.cue"},
     "",
     all_ok,
     0,
     {{"a.cue", reference::new_sheet(binary_sheet, track_list)},
      {"a.cue.bak", binary_sheet},
      {"freedb.txt", track_list}}},
    {"a sheet of one line of a megabyte",
     {{"a.cue", megabyte_line}, {"freedb.txt", track_list}},
     {"a.cue"},
     "",
     all_ok,
     0,
     {{"a.cue", std::string(255, 'x') + "\r\n"},
      {"a.cue.bak", megabyte_line},
      {"freedb.txt", track_list}}},
    {"a megabyte line among the tracks is cut and the titles stay in step",
     {{"a.cue", "FILE \"a.wav\" WAVE\r\n  TITLE \"" + megabyte_line + "\"\r\n  TITLE \"b\"\r\n"},
      {"freedb.txt", track_list}},
     {"a.cue"},
     "",
     all_ok,
     0,
     {{"a.cue", "FILE \"a.wav\" WAVE\r\n  TITLE \"First Light\"\r\n  TITLE \"Second Wind\"\r\n"},
      {"a.cue.bak",
       "FILE \"a.wav\" WAVE\r\n  TITLE \"" + megabyte_line + "\"\r\n  TITLE \"b\"\r\n"},
      {"freedb.txt", track_list}}},
    {"the disk fills in the middle of the new sheet",
     {{"a.cue", long_sheet(20)}, {"freedb.txt", long_track_list(20)}},
     {"a.cue"},
     "write:3:112:17",
     lines({opened, backed_up, created}),
     101,
     {{"a.cue", reference::new_sheet(long_sheet(20), long_track_list(20)).substr(0, 2 * 256 + 17)},
      {"a.cue.bak", long_sheet(20)},
      {"freedb.txt", long_track_list(20)}}},
};

void PrintTo(const Case& c, std::ostream* out) {
  *out << c.what;
}

class FailureTable : public EndToEnd, public testing::WithParamInterface<Case> {};

TEST_P(FailureTable, EndsAsItShould) {
  const Case& c = GetParam();
  if (!c.fault.empty() && faults_tool.empty()) GTEST_SKIP() << "no --faults-tool";
  if (c.posix_only && windows_program) GTEST_SKIP() << "no such file on Windows";
  Scratch scratch(c.before);
  ToolRun run = scratch.run(c.fault.empty() ? tool : faults_tool, c.arguments, c.fault);
  if (c.report == 0) {
    EXPECT_EQ(run.output, c.output);
    EXPECT_EQ(run.exit_code, 0);
  } else {
    expect_runtime_error(run.output, c.output, c.report);
    EXPECT_EQ(run.exit_code, c.report);
  }
  EXPECT_EQ(scratch.files(), c.after);
  expect_quiet(run);
}

INSTANTIATE_TEST_SUITE_P(, FailureTable, testing::ValuesIn(cases), CaseName());

TEST_F(EndToEnd, ASecondRunStopsAt5AndLeavesTheFirstRunsFiles) {
  Scratch scratch({{"a.cue", sheet}, {"freedb.txt", track_list}});
  EXPECT_EQ(scratch.run(tool, {"a.cue"}).output, all_ok);
  Files first = scratch.files();
  ToolRun second = scratch.run(tool, {"a.cue"});
  expect_runtime_error(second.output, lines({opened}), 5);
  EXPECT_EQ(second.exit_code, 5);
  EXPECT_EQ(scratch.files(), first);
}

// The tab stays in the argument. Windows allows no control byte in a file name and refuses the
// whole name (123); elsewhere the sheet of that name is retitled. Were the name split at the tab,
// the files named by its pieces would be touched.
TEST_F(EndToEnd, ATabStaysInTheName) {
  const std::string name = "Side\tA.cue";
  const Files before = {
      {name, sheet}, {"Side", sheet}, {"A.cue", sheet}, {"freedb.txt", track_list}};
  Scratch scratch(before);
  ToolRun run = scratch.run(tool, {name});
  if (windows_program) {
    expect_runtime_error(run.output, lines({opened}), 123);
    EXPECT_EQ(run.exit_code, 123);
    EXPECT_EQ(scratch.files(), before);
  } else {
    EXPECT_EQ(run.output, all_ok);
    EXPECT_EQ(run.exit_code, 0);
    Files after = before;
    after[name] = retitled;
    after[name + ".bak"] = sheet;
    EXPECT_EQ(scratch.files(), after);
  }
  expect_quiet(run);
}

TEST_F(EndToEnd, TheBundledExampleGivesItsRetitledSheet) {
  ASSERT_FALSE(examples.empty());
  std::string album = read_file(examples + "/album.cue");
  std::string list = read_file(examples + "/freedb.txt");
  std::string expected = read_file(examples + "/album.retitled.cue");
  ASSERT_FALSE(album.empty());
  Scratch scratch({{"album.cue", album}, {"freedb.txt", list}});
  ToolRun run = scratch.run(tool, {"album.cue"});
  EXPECT_EQ(run.output, all_ok);
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(scratch.files(),
            (Files{{"album.cue", expected}, {"album.cue.bak", album}, {"freedb.txt", list}}));
}

// Splits on LF, CR LF and lone CR, as a cue sheet's reader does.
std::vector<std::string> split_lines(const std::string& bytes) {
  std::vector<std::string> found;
  std::string current;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\n' || bytes[i] == '\r') {
      found.push_back(current);
      current.clear();
      if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      current += bytes[i];
    }
  }
  if (!current.empty()) found.push_back(current);
  return found;
}

// Whether the first byte that is not a space is `byte`.
bool starts_with_byte(const std::string& line, char byte) {
  size_t first = line.find_first_not_of(' ');
  return first != std::string::npos && line[first] == byte;
}

bool is_track_title(const std::string& line) {
  size_t first = line.find_first_not_of(' ');
  return first != std::string::npos && line.compare(first, 2, "TI") == 0;
}

// Each corpus sheet with a track list that has a title for each of its track TITLE lines: the
// new sheet differs from the old only in those lines, and in line ends, which become CR LF.
TEST_F(EndToEnd, CorpusSheetsAreRetitledAndNothingElseChanges) {
  ASSERT_FALSE(corpus.empty());
  DIR* folder = opendir(corpus.c_str());
  ASSERT_NE(folder, nullptr) << corpus;
  std::vector<std::string> sheets;
  while (dirent* entry = readdir(folder)) {
    std::string name = entry->d_name;
    if (name.size() > 4 && name.substr(name.size() - 4) == ".cue") sheets.push_back(name);
  }
  closedir(folder);
  ASSERT_GE(sheets.size(), 5u);

  for (const std::string& name : sheets) {
    SCOPED_TRACE(name);
    std::string old_sheet = read_file(corpus + "/" + name);
    std::vector<std::string> old_lines = split_lines(old_sheet);
    size_t file_line = 0;
    while (file_line < old_lines.size() && !starts_with_byte(old_lines[file_line], 'F')) {
      ++file_line;
    }
    ASSERT_LT(file_line, old_lines.size());

    std::string base = name.substr(0, name.size() - 4);
    std::string list = read_file(corpus + "/" + base + ".freedb.txt");
    std::vector<std::string> titles;
    if (list.empty()) {
      for (size_t i = file_line + 1; i < old_lines.size(); ++i) {
        if (is_track_title(old_lines[i])) {
          std::string number = std::to_string(titles.size() + 1);
          titles.push_back("Retitled " + number);
          list += number + ".\tRetitled " + number + "\t3:" + number + "\r\n";
        }
      }
    } else {
      for (const std::string& line : split_lines(list)) {
        size_t tab = line.find('\t');
        titles.push_back(line.substr(tab + 1, line.find('\t', tab + 1) - tab - 1));
      }
    }

    Scratch scratch({{name, old_sheet}, {"freedb.txt", list}});
    ToolRun run = scratch.run(tool, {name});
    EXPECT_EQ(run.output, all_ok);
    EXPECT_EQ(run.exit_code, 0);
    Files after = scratch.files();
    EXPECT_EQ(after.size(), 3u);
    EXPECT_EQ(after[name + ".bak"], old_sheet);
    EXPECT_EQ(after["freedb.txt"], list);

    std::string expected;
    size_t next_title = 0;
    for (size_t i = 0; i < old_lines.size(); ++i) {
      std::string line = old_lines[i];
      if (i > file_line && is_track_title(line)) {
        ASSERT_LT(next_title, titles.size());
        line = line.substr(0, line.find('"') + 1) + titles[next_title++] + "\"";
      }
      expected += line + "\r\n";
    }
    EXPECT_EQ(next_title, titles.size());
    EXPECT_EQ(after[name], expected);
  }
}

// ---- Every call of a run made to fail --------------------------------------------------------

// One call the tool made, as the faults build's log names it: "read a.cue.bak".
struct Call {
  std::string kind, target;
};

std::vector<Call> calls_of(const std::string& log) {
  std::vector<Call> calls;
  std::istringstream in(log);
  for (std::string line; std::getline(in, line);) {
    size_t space = line.find(' ');
    calls.push_back(
        {line.substr(0, space), space == std::string::npos ? "" : line.substr(space + 1)});
  }
  return calls;
}

// An error a call can meet, and the I/O code the tool must stop with.
struct PlantedError {
  unsigned error;
  int code;
};

std::vector<PlantedError> errors_for(const std::string& kind) {
  if (kind == "open_read" || kind == "create_write") return {{2, 2}, {3, 3}, {5, 5}};
  if (kind == "move") return {{2, 2}, {3, 3}, {5, 5}, {183, 5}};
  if (kind == "read") return {{30, 161}};    // a read fault, translated as 19 to 31 are
  if (kind == "write") return {{112, 101}};  // a short write (the disk is full) is 101
  if (kind == "close") return {{29, 160}};
  return {};
}

bool starts_with(const std::string& text, const std::string& start) {
  return text.compare(0, start.size(), start) == 0;
}

// What must hold after any run, failed or not: the old sheet's bytes are there, whole, under
// the sheet's name or the backup name; a new sheet under the sheet's name is the start of the
// right result, never anything else; the track list is untouched; nothing else appears.
void expect_nothing_lost(const Files& after, const Files& before, const std::string& sheet_bytes,
                         const std::string& retitled_bytes) {
  for (const auto& [name, bytes] : after) {
    EXPECT_TRUE(name == "a.cue" || name == "a.cue.bak" || name == "freedb.txt") << name;
  }
  EXPECT_EQ(after.count("freedb.txt") ? after.at("freedb.txt") : "", before.at("freedb.txt"));
  bool has_sheet = after.count("a.cue") != 0, has_backup = after.count("a.cue.bak") != 0;
  if (has_backup) {
    EXPECT_EQ(after.at("a.cue.bak"), sheet_bytes) << "the backup is the old sheet, whole";
    if (has_sheet) {
      EXPECT_TRUE(starts_with(retitled_bytes, after.at("a.cue")))
          << "the new sheet is the start of the right one: " << after.at("a.cue");
    }
  } else {
    ASSERT_TRUE(has_sheet) << "the old sheet is gone";
    EXPECT_EQ(after.at("a.cue"), sheet_bytes) << "without a backup the sheet is untouched";
  }
}

class EveryCallFails : public EndToEnd, public testing::WithParamInterface<uint32_t> {};

TEST_P(EveryCallFails, AndTheRunEndsSoundly) {
  if (faults_tool.empty()) GTEST_SKIP() << "no --faults-tool";
  const std::string old_sheet = long_sheet(40), list = long_track_list(40);
  const std::string new_sheet = reference::new_sheet(old_sheet, list);
  const Files before = {{"a.cue", old_sheet}, {"freedb.txt", list}};
  const Files done_files = {{"a.cue", new_sheet}, {"a.cue.bak", old_sheet}, {"freedb.txt", list}};
  RunOptions options;
  options.read_chunks = GetParam();
  options.log_calls = true;

  // The run as it goes when nothing fails, and every call it makes.
  ToolRun normal = Scratch(before).run_with(faults_tool, {"a.cue"}, options);
  ASSERT_EQ(normal.output, all_ok);
  ASSERT_EQ(normal.exit_code, 0);
  const std::vector<Call> calls = calls_of(normal.calls);
  std::set<std::string> kinds;
  for (const Call& call : calls)
    kinds.insert(call.kind);
  ASSERT_EQ(kinds.size(), 6u) << normal.calls;  // every kind of call is met
  size_t sheet_closed = calls.size();           // the index of the new sheet's close
  for (size_t i = 0; i < calls.size(); ++i) {
    if (calls[i].kind == "close" && calls[i].target == "a.cue") sheet_closed = i;
  }
  ASSERT_LT(sheet_closed, calls.size());
  // The calls whose success the OK lines report.
  const std::pair<Call, const char*> reported[] = {{{"open_read", "freedb.txt"}, opened},
                                                   {{"open_read", "a.cue.bak"}, backed_up},
                                                   {{"create_write", "a.cue"}, created}};

  int runs = 0;
  for (size_t k = 1; k <= calls.size(); ++k) {
    const Call& failing = calls[k - 1];
    for (const PlantedError& planted : errors_for(failing.kind)) {
      SCOPED_TRACE("call " + std::to_string(k) + " of " + std::to_string(calls.size()) + ": " +
                   failing.kind + " " + failing.target + " fails with " +
                   std::to_string(planted.error));
      options.fault = "any:" + std::to_string(k) + ":" + std::to_string(planted.error) + ":100";
      options.log_calls = false;
      Scratch scratch(before);
      ToolRun run = scratch.run_with(faults_tool, {"a.cue"}, options);
      ++runs;
      Files after = scratch.files();
      ASSERT_LT(run.exit_code, 1000) << "ended by a signal (14: it hung)";
      expect_quiet(run);
      expect_nothing_lost(after, before, old_sheet, new_sheet);

      // The OK lines of the calls before the failing one, and of those after it while the run
      // goes on: only a failed open of the backup or the new sheet lets it go on.
      bool goes_on = failing.kind == "create_write" ||
                     (failing.kind == "open_read" && failing.target == "a.cue.bak");
      std::string ok_lines;
      for (const auto& [call, message] : reported) {
        size_t at = 0;
        while (at < calls.size() &&
               (calls[at].kind != call.kind || calls[at].target != call.target)) {
          ++at;
        }
        ASSERT_LT(at, calls.size());
        if (at + 1 < k || (at + 1 > k && goes_on)) ok_lines += lines({message});
      }

      if (failing.kind == "open_read" && failing.target == "freedb.txt") {
        EXPECT_EQ(run.output, lines({"Error open \"freedb.txt\" !"}));
        EXPECT_EQ(run.exit_code, 0);
        EXPECT_EQ(after, before);
      } else if (failing.kind == "write" && failing.target == "<stdout>") {
        // The messages could not be written in full: the run's work is done, its exit says not.
        EXPECT_TRUE(starts_with(all_ok, run.output) && run.output.size() < all_ok.size())
            << run.output;
        EXPECT_EQ(run.exit_code, 101);
        EXPECT_EQ(after, done_files);
      } else {
        int code = goes_on ? 103 : failing.kind == "write" ? 101 : planted.code;
        expect_runtime_error(run.output, ok_lines, code);
        EXPECT_EQ(run.exit_code, code);
        if (failing.kind == "move") {
          EXPECT_EQ(after, before);
        }
        if (k - 1 > sheet_closed) {
          EXPECT_EQ(after, done_files) << "the new sheet was complete";
        }
      }
    }
  }
  std::printf("[ figures  ] %zu calls, %d runs with a failed call (read chunks: seed %u)\n",
              calls.size(), runs, GetParam());
}

// Reads handed back whole (seed 0) and in random chunks.
INSTANTIATE_TEST_SUITE_P(, EveryCallFails, testing::Values(0u, 7u), [](const auto& info) {
  return info.param == 0 ? std::string("WholeReads")
                         : "ReadChunksSeed" + std::to_string(info.param);
});

// Whatever sizes the reads come in, the files and the messages come out the same.
TEST_F(EndToEnd, EveryReadChunkingGivesTheSameResult) {
  if (faults_tool.empty()) GTEST_SKIP() << "no --faults-tool";
  // Line ends of every kind, a line longer than 255 bytes, and a track list with LF and CR.
  const std::string old_sheet = "TITLE \"Album\"\rFILE \"a.wav\" WAVE\n" + long_sheet(8) +
                                "  TRACK 99 AUDIO\n    TITLE \"" + std::string(400, 'x') +
                                "\"\r    TITLE \"last\"";
  const std::string list = "1.\tOne\t1:00\n2.\tTwo\t2:00\r3.\tThree\t3:00\r\n" + long_track_list(8);
  const Files before = {{"a.cue", old_sheet}, {"freedb.txt", list}};
  const Files expected = {{"a.cue", reference::new_sheet(old_sheet, list)},
                          {"a.cue.bak", old_sheet},
                          {"freedb.txt", list}};
  for (uint32_t seed = 0; seed <= 40; ++seed) {
    SCOPED_TRACE("read chunks seed " + std::to_string(seed));
    RunOptions options;
    options.read_chunks = seed;
    Scratch scratch(before);
    ToolRun run = scratch.run_with(faults_tool, {"a.cue"}, options);
    EXPECT_EQ(run.output, all_ok);
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(scratch.files(), expected);
  }
}

// ---- Bad input at the user level -------------------------------------------------------------

bool can_drop_privileges() {
  return geteuid() != 0 || access("/usr/bin/setpriv", X_OK) == 0 ||
         access("/bin/setpriv", X_OK) == 0;
}

// Runs without the privileges that read any file whatever (root's, in CI); the scratch folder is
// opened to everybody so that the unprivileged run can work in it.
ToolRun run_unprivileged(const Scratch& scratch, const std::string& tool,
                         const std::vector<std::string>& arguments) {
  chmod(scratch.path().c_str(), 0777);
  RunOptions options;
  options.unprivileged = true;
  return scratch.run_with(tool, arguments, options);
}

TEST_F(EndToEnd, AnUnreadableTrackListIsReportedAndNothingTouched) {
  if (!can_drop_privileges()) GTEST_SKIP() << "running as root without setpriv";
  if (!settings.launcher.empty()) GTEST_SKIP() << "a launcher's own files belong to this user";
  Files before = {{"a.cue", sheet}, {"freedb.txt", track_list}};
  Scratch scratch(before);
  chmod((scratch.path() + "/freedb.txt").c_str(), 0);
  ToolRun run = run_unprivileged(scratch, tool, {"a.cue"});
  EXPECT_EQ(run.output, lines({"Error open \"freedb.txt\" !"}));
  EXPECT_EQ(run.exit_code, 0);
  chmod((scratch.path() + "/freedb.txt").c_str(), 0644);
  EXPECT_EQ(scratch.files(), before);
  expect_quiet(run);
}

TEST_F(EndToEnd, ASheetInAFolderThatCannotBeWrittenStopsAt5AndNothingTouched) {
  if (!can_drop_privileges()) GTEST_SKIP() << "running as root without setpriv";
  if (!settings.launcher.empty()) GTEST_SKIP() << "a launcher's own files belong to this user";
  Files before = {{"disc", folder_mark}, {"disc/a.cue", sheet}, {"freedb.txt", track_list}};
  Scratch scratch(before);
  chmod((scratch.path() + "/disc").c_str(), 0555);
  ToolRun run = run_unprivileged(scratch, tool, {"disc/a.cue"});
  chmod((scratch.path() + "/disc").c_str(), 0755);
  expect_runtime_error(run.output, lines({opened}), 5);
  EXPECT_EQ(run.exit_code, 5);
  EXPECT_EQ(scratch.files(), before);
}

// Writes a sheet of a header and `blocks` tracks into `path`, without holding it in memory.
const std::string big_header = "TITLE \"Album\"\r\nFILE \"album.wav\" WAVE\r\n";
const std::string track_block =
    "  TRACK 01 AUDIO\r\n    TITLE \"Old\"\r\n    PERFORMER \"Band\"\r\n    INDEX 01 00:00:00\r\n";

void write_big_sheet(const std::string& path, size_t blocks) {
  std::ofstream out(path, std::ios::binary);
  out << big_header;
  std::string chunk;
  for (int i = 0; i < 1024; ++i)
    chunk += track_block;
  for (size_t done = 0; done < blocks; done += 1024)
    out.write(chunk.data(), static_cast<std::streamsize>(std::min<size_t>(1024, blocks - done) *
                                                         track_block.size()));
}

// Whether `path` holds, byte for byte, the retitled big sheet: the first two TITLE lines get the
// track list's titles, the others stay as they are, since the track list has run out.
bool holds_retitled_big_sheet(const std::string& path, size_t blocks) {
  std::ifstream in(path, std::ios::binary);
  std::string expected_start = big_header;
  for (const char* title : {"First Light", "Second Wind"}) {
    std::string block = track_block;
    block.replace(block.find("Old"), 3, title);
    expected_start += block;
  }
  std::string start(expected_start.size(), 0);
  if (!in.read(start.data(), static_cast<std::streamsize>(start.size())) || start != expected_start)
    return false;
  std::string block(track_block.size(), 0);
  for (size_t i = 2; i < blocks; ++i) {
    if (!in.read(block.data(), static_cast<std::streamsize>(block.size())) || block != track_block)
      return false;
  }
  return in.peek() == std::char_traits<char>::eof();
}

TEST_F(EndToEnd, AHundredMegabyteSheetCompletesInConstantMemory) {
  if (settings.peak_memory.empty()) GTEST_SKIP() << "no --peak-memory";
  if (!settings.launcher.empty()) GTEST_SKIP() << "the launcher's memory would be measured";
  const size_t big_blocks = 100 * 1000 * 1000 / track_block.size() + 1;
  long peak_kb[2] = {0, 0};
  const size_t blocks[2] = {2, big_blocks};
  for (int i = 0; i < 2; ++i) {
    Scratch scratch({{"freedb.txt", track_list}});
    write_big_sheet(scratch.path() + "/a.cue", blocks[i]);
    RunOptions options;
    options.timeout_seconds = 600;
    options.measure_memory = true;
    ToolRun run = scratch.run_with(tool, {"a.cue"}, options);
    EXPECT_EQ(run.output, all_ok);
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_TRUE(holds_retitled_big_sheet(scratch.path() + "/a.cue", blocks[i]));
    struct stat backup;
    ASSERT_EQ(stat((scratch.path() + "/a.cue.bak").c_str(), &backup), 0);
    EXPECT_EQ(static_cast<size_t>(backup.st_size),
              big_header.size() + blocks[i] * track_block.size());
    peak_kb[i] = run.peak_memory_kb;
  }
  EXPECT_GE(big_blocks * track_block.size(), 100u * 1000 * 1000);
  ASSERT_GT(peak_kb[0], 0) << "no measure";
  // The tool holds a few fixed buffers whatever the size; a megabyte covers the noise of the
  // loader and the sanitizers' own books, and is a hundredth of the sheet.
  EXPECT_LE(peak_kb[1], peak_kb[0] + 1024) << "small sheet: " << peak_kb[0] << " kB";
  std::printf("[ figures  ] peak memory %ld kB for a small sheet, %ld kB for %zu bytes\n",
              peak_kb[0], peak_kb[1], big_header.size() + big_blocks * track_block.size());
}

// A full disk for real: a small tmpfs that holds the old sheet but not the old and the new one.
TEST_F(EndToEnd, TheDiskFillsWhileTheNewSheetIsWritten) {
  const std::string old_sheet = long_sheet(120), list = long_track_list(120);
  const std::string new_sheet = reference::new_sheet(old_sheet, list);
  ASSERT_GT(old_sheet.size(), 9000u);
  Scratch scratch({{"freedb.txt", list}, {"disc", folder_mark}});
  const std::string disc = scratch.path() + "/disc";
  // 16 kB of room: the old sheet fits, a second copy does not.
  if (geteuid() != 0 ||
      std::system(("mount -t tmpfs -o size=16k tmpfs '" + disc + "' 2>/dev/null").c_str()) != 0) {
    GTEST_SKIP() << "no tmpfs can be mounted here; the seam covers a full disk (FailureTable)";
  }
  write_file(disc + "/a.cue", old_sheet);
  if (read_file(disc + "/a.cue") != old_sheet) std::system(("umount '" + disc + "'").c_str());
  ASSERT_EQ(read_file(disc + "/a.cue"), old_sheet) << "the old sheet must fit";
  ToolRun run = scratch.run(tool, {"disc/a.cue"});
  Files after = scratch.files();
  std::system(("umount '" + disc + "'").c_str());
  expect_runtime_error(run.output, lines({opened, backed_up, created}), 101);
  EXPECT_EQ(run.exit_code, 101);
  EXPECT_EQ(after["disc/a.cue.bak"], old_sheet);
  EXPECT_LT(after["disc/a.cue"].size(), new_sheet.size());
  EXPECT_TRUE(starts_with(new_sheet, after["disc/a.cue"]));
}

// Standard output that cannot be written: the exit code says so, and the files agree with each
// other: either untouched, or the backup holds the old sheet and the new sheet is complete.
struct UnwritableOutputCase {
  const char* what;
  std::vector<std::string> arguments;
  Files before;
  int exit_code;
  Files after;
};

const UnwritableOutputCase unwritable_output_cases[] = {
    {"a normal run",
     {"a.cue"},
     {{"a.cue", sheet}, {"freedb.txt", track_list}},
     101,
     {{"a.cue", retitled}, {"a.cue.bak", sheet}, {"freedb.txt", track_list}}},
    {"the usage", {}, {{"freedb.txt", track_list}}, 101, {{"freedb.txt", track_list}}},
    {"no track list", {"a.cue"}, {{"a.cue", sheet}}, 101, {{"a.cue", sheet}}},
    {"a run-time error keeps its own code",
     {"a.cue"},
     {{"a.cue", sheet}, {"a.cue.bak", "older"}, {"freedb.txt", track_list}},
     5,
     {{"a.cue", sheet}, {"a.cue.bak", "older"}, {"freedb.txt", track_list}}},
};

TEST_F(EndToEnd, StandardOutputThatCannotBeWrittenEndsWithAFailingCode) {
  for (StandardOutput output : {StandardOutput::full, StandardOutput::closed_pipe}) {
    for (const UnwritableOutputCase& c : unwritable_output_cases) {
      SCOPED_TRACE(std::string(c.what) +
                   (output == StandardOutput::full ? ", to /dev/full" : ", to a closed pipe"));
      Scratch scratch(c.before);
      RunOptions options;
      options.output = output;
      ToolRun run = scratch.run_with(tool, c.arguments, options);
      if (windows_program && output == StandardOutput::full) {
        // Windows takes /dev/full for a character device, where each line is written out as
        // it is said: the first one fails and the run stops before it touches a file.
        EXPECT_EQ(run.exit_code, 101);
        EXPECT_EQ(scratch.files(), c.before);
      } else {
        EXPECT_EQ(run.exit_code, c.exit_code);
        EXPECT_EQ(scratch.files(), c.after);
      }
      expect_quiet(run);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  const struct {
    const char* flag;
    std::string* value;
  } flags[] = {{"--tool=", &settings.tool},         {"--faults-tool=", &settings.faults_tool},
               {"--launcher=", &settings.launcher}, {"--corpus=", &settings.corpus},
               {"--examples=", &settings.examples}, {"--peak-memory=", &settings.peak_memory}};
  for (int i = 1; i < argc; ++i) {
    bool known = false;
    for (const auto& f : flags) {
      if (std::string(argv[i]).rfind(f.flag, 0) == 0) {
        *f.value = argv[i] + std::strlen(f.flag);
        known = true;
      }
    }
    if (!known) {
      std::fprintf(stderr, "unknown argument: %s\n", argv[i]);
      return 2;
    }
  }
  return RUN_ALL_TESTS();
}
