// The real side of the seam against the real file system. Both sides answer with Windows error
// numbers, so the same cases hold natively and for the Windows build under Wine.

#include "textio/os.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

class RealOs : public testing::Test {
 protected:
  void SetUp() override {
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    // Unique: other builds may run the same tests at the same time.
    folder_ = fs::temp_directory_path() / ("brenvik-os-" + std::string(test->name()) + "-" +
                                           std::to_string(std::random_device{}()));
    fs::remove_all(folder_);
    ASSERT_TRUE(fs::create_directories(folder_ / "sub"));
    std::ofstream(folder_ / "sub" / "sheet.cue", std::ios::binary) << "line\r\n";
    std::ofstream(folder_ / "sub" / "sheet.cue.bak", std::ios::binary) << "older";
  }
  void TearDown() override { fs::remove_all(folder_); }

  // A name below the scratch folder, written with "/" as the user would.
  std::string name(const char* relative) const { return folder_.string() + "/" + relative; }

  fs::path folder_;
};

TEST_F(RealOs, OpeningForReadingFailsWithTheWindowsNumbers) {
  const struct {
    std::string name;
    OsError error;
  } cases[] = {
      {name("sub/missing.cue"), os_file_not_found},
      {name("nowhere/sheet.cue"), os_path_not_found},
      {name("sub"), os_access_denied},  // a folder is not a file
      {"", os_path_not_found},
  };
  for (const auto& c : cases) {
    OsHandle handle = 0;
    EXPECT_EQ(native_os().open_read(c.name.c_str(), &handle), c.error) << c.name;
  }
}

TEST_F(RealOs, CreatedFilesHoldTheBytesWrittenAndReadBackToTheEnd) {
  OsHandle handle = 0;
  EXPECT_EQ(native_os().create_write(name("nowhere/new.cue").c_str(), &handle), os_path_not_found);
  // Creating empties an existing file.
  ASSERT_EQ(native_os().create_write(name("sub/sheet.cue").c_str(), &handle), os_ok);
  EXPECT_FALSE(native_os().is_console(handle));
  const std::string bytes = "a\r\nb\x1a\r\r\n";
  uint32_t written = 0;
  EXPECT_EQ(native_os().write(handle, bytes.data(), bytes.size(), &written), os_ok);
  EXPECT_EQ(written, bytes.size());
  EXPECT_EQ(native_os().close(handle), os_ok);
  EXPECT_EQ(contents(folder_ / "sub" / "sheet.cue"), bytes);

  ASSERT_EQ(native_os().open_read(name("sub/sheet.cue").c_str(), &handle), os_ok);
  char buffer[64];
  uint32_t got = 0;
  EXPECT_EQ(native_os().read(handle, buffer, sizeof buffer, &got), os_ok);
  EXPECT_EQ(std::string(buffer, got), bytes);
  EXPECT_EQ(native_os().read(handle, buffer, sizeof buffer, &got), os_ok);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(native_os().close(handle), os_ok);
}

TEST_F(RealOs, MovingRefusesATakenNameAndAFolder) {
  const struct {
    const char* from;
    const char* to;
    OsError error;
  } cases[] = {
      {"sub/sheet.cue", "sub/sheet.cue.bak", os_already_exists},
      {"sub", "sub.bak", os_access_denied},
      {"sub/missing.cue", "sub/missing.cue.bak", os_file_not_found},
      {"nowhere/sheet.cue", "nowhere/sheet.cue.bak", os_path_not_found},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(native_os().move(name(c.from).c_str(), name(c.to).c_str()), c.error) << c.from;
  }
  // Nothing moved.
  EXPECT_EQ(contents(folder_ / "sub" / "sheet.cue"), "line\r\n");
  EXPECT_EQ(contents(folder_ / "sub" / "sheet.cue.bak"), "older");
  EXPECT_FALSE(fs::exists(folder_ / "sub.bak"));
}

TEST_F(RealOs, MovingAFileTakesItToTheNewName) {
  ASSERT_EQ(native_os().move(name("sub/sheet.cue").c_str(), name("sub/sheet.cue.old").c_str()),
            os_ok);
  EXPECT_FALSE(fs::exists(folder_ / "sub" / "sheet.cue"));
  EXPECT_EQ(contents(folder_ / "sub" / "sheet.cue.old"), "line\r\n");
}

}  // namespace
