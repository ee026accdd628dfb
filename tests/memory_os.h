#pragma once
// A side of the seam that keeps files in memory, for tests of the text files and the rewrite.
// Error numbers are those the real sides give: 2 for a missing file, 183 for a taken name.

#include <cstdint>
#include <map>
#include <string>

#include "textio/os.h"

struct MemoryOs {
  std::map<std::string, std::string> files;
  uint32_t read_limit = 0;   // when not 0, no read hands back more bytes than this
  uint32_t write_limit = 0;  // when not 0, writes take at most this many bytes in all (a full disk)
  int reads = 0;
  int writes = 0;
};

// Puts `memory` in front of the real side until the returned guard ends.
struct MemoryOsInUse {
  explicit MemoryOsInUse(MemoryOs& memory);
  ~MemoryOsInUse();
  MemoryOsInUse(const MemoryOsInUse&) = delete;
  MemoryOsInUse& operator=(const MemoryOsInUse&) = delete;
};
