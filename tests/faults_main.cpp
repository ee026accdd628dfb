// brenvik-faults: the tool with one operating-system call made to fail, for the end-to-end
// tests of failures a real file system will not produce on demand. BRENVIK_FAULT names the call
// ("kind:nth:error[:bytes_taken]", see faulty_os.h); without it the tool runs as it is.
// BRENVIK_READ_CHUNKS=seed hands reads back in random chunks of 1 to 256 bytes;
// BRENVIK_CALL_LOG=path notes every call in that file.

#include <cstdlib>

#include "faulty_os.h"
#include "retitler/run.h"
#include "textio/process_start.h"

int main(int argc, char** argv) {
  FaultPlan plan;
  const char* fault = std::getenv("BRENVIK_FAULT");
  if (fault != nullptr && !parse_fault_plan(fault, &plan)) return 64;
  use_faulty_os(native_os(), plan);
  if (const char* seed = std::getenv("BRENVIK_READ_CHUNKS")) {
    use_read_chunks(static_cast<uint32_t>(std::strtoul(seed, nullptr, 10)));
  }
  if (const char* path = std::getenv("BRENVIK_CALL_LOG")) log_calls_to(path);
  start_process(argc, argv, run_retitler);
}
