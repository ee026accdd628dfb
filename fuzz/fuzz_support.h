#pragma once
// What the fuzz targets share: the entry libFuzzer calls, a check that stops loudly, and a read
// chunking that follows from the input itself, so a saved input replays the same way.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fuzz {

// A broken property is a crash for libFuzzer, and a failed replay for the tests.
inline void require(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "property broken: %s\n", property);
  std::abort();
}

// Never 0, which would turn chunking off.
inline uint32_t chunk_seed_of(const std::string& bytes) {
  uint32_t hash = 2166136261u;  // FNV-1a
  for (unsigned char byte : bytes)
    hash = (hash ^ byte) * 16777619u;
  return hash | 1;
}

}  // namespace fuzz
