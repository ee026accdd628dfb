// Replays saved inputs through a fuzz target in the ordinary test build: the seed corpus and
// every input a fuzz run once found failing. Each argument is a file or a folder of files; a
// broken property aborts, which fails the test.

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"

namespace {

std::vector<std::string> inputs_in(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return {};
  if (!S_ISDIR(info.st_mode)) return {path};
  std::vector<std::string> files;
  DIR* folder = opendir(path.c_str());
  while (dirent* entry = folder != nullptr ? readdir(folder) : nullptr) {
    std::string name = entry->d_name;
    if (name[0] == '.' || name == "README.md") continue;
    std::vector<std::string> inner = inputs_in(path + "/" + name);
    files.insert(files.end(), inner.begin(), inner.end());
  }
  if (folder != nullptr) closedir(folder);
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  size_t replayed = 0;
  for (int i = 1; i < argc; ++i) {
    for (const std::string& file : inputs_in(argv[i])) {
      std::ifstream in(file, std::ios::binary);
      std::ostringstream bytes;
      bytes << in.rdbuf();
      std::string input = bytes.str();
      std::fprintf(stderr, "replaying %s\n", file.c_str());
      LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
      ++replayed;
    }
  }
  std::printf("%zu inputs replayed\n", replayed);
  return replayed > 0 ? 0 : 1;  // a replay of nothing has checked nothing
}
