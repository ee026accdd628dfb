// brenvik-faults: the tool with one operating-system call made to fail, for the end-to-end
// tests of failures a real file system will not produce on demand. BRENVIK_FAULT names the call
// ("kind:nth:error", see faulty_os.h); without it the tool runs as it is.

#include <cstdlib>

#include "faulty_os.h"
#include "retitler/run.h"
#include "textio/process_start.h"

int main(int argc, char** argv) {
  FaultPlan plan;
  const char* fault = std::getenv("BRENVIK_FAULT");
  if (fault != nullptr && !parse_fault_plan(fault, &plan)) return 64;
  use_faulty_os(native_os(), plan);
  start_process(argc, argv, run_retitler);
}
