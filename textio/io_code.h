#pragma once
// The pending I/O code: one per process. A failing operation leaves its code here and every
// later file operation is inert until somebody takes it (take_io_code) or guards (guard_io).

#include <cstdint>

#include "textio/os.h"

using IoCode = uint16_t;

inline constexpr IoCode io_ok = 0;
inline constexpr IoCode io_disk_write_error = 101;
inline constexpr IoCode io_file_not_open = 103;
inline constexpr IoCode io_not_open_for_input = 104;
inline constexpr IoCode io_not_open_for_output = 105;

// Leaves `code` pending unless one already is: the first failure is the one reported.
void set_io_code(IoCode code);
// Every file operation asks this first, so it is answered inline from the one pending slot.
namespace io_code_slot {
inline IoCode pending = 0;
}
inline bool io_code_pending() {
  return io_code_slot::pending != io_ok;
}
IoCode take_io_code();

// Turns an operating-system error number into an I/O code.
IoCode io_code_from_os_error(OsError error);

// Stops the run with the run-time error report for the pending code. The report names the place
// of the call, so it is never inlined.
[[noreturn, gnu::noinline]] void stop_at_failed_guard();

// Stops the run with the run-time error report when a code is pending. It follows every line
// read and written, so the test is inline; the place of a failed guard is then the call of
// stop_at_failed_guard in the guarding code, as it would be for a call of guard_io itself.
inline void guard_io() {
  if (io_code_pending()) stop_at_failed_guard();
}
[[noreturn, gnu::noinline]] void stop_with_runtime_error(IoCode code);
// Writes out standard output and ends the process. An orderly end (0) whose output could not be
// written ends with the write's code instead: a failure is never reported as success.
[[noreturn]] void halt_with(uint32_t code);
