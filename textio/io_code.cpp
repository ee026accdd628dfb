#include "textio/io_code.h"

#include <unwind.h>

#include "textio/line_file.h"

namespace {

// The report names the failed guard and the calling levels above it; deeper levels are left out.
constexpr int most_levels = 32;

struct CallLevels {
  uintptr_t address[most_levels];
  int count = 0;
};

_Unwind_Reason_Code note_level(_Unwind_Context* context, void* levels_pointer) {
  auto& levels = *static_cast<CallLevels*>(levels_pointer);
  if (levels.count == most_levels) return _URC_END_OF_STACK;
  levels.address[levels.count++] = _Unwind_GetIP(context);
  return _URC_NO_REASON;
}

void append_hex8(ShortLine& line, uint32_t value) {
  char digits[8];
  for (int i = 7; i >= 0; --i, value >>= 4)
    digits[i] = "0123456789ABCDEF"[value & 15];
  append(line, std::string_view(digits, 8));
}

void append_decimal(ShortLine& line, uint32_t value) {
  char digits[10];
  int first = 10;
  do {
    digits[--first] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  append(line, std::string_view(digits + first, 10 - first));
}

void report_line(const ShortLine& line) {
  write_line(standard_output(), line);
}

void append_address_line(uintptr_t address) {
  ShortLine line = short_line("  $");
  append_hex8(line, printed_address(address));
  report_line(line);
}

// `failed_at` is the return address into the code whose guard failed.
[[noreturn]] void stop_at(IoCode code, uintptr_t failed_at) {
  take_io_code();  // the report itself must be written
  CallLevels levels;
  _Unwind_Backtrace(note_level, &levels);
  ShortLine heading = short_line("Runtime error ");
  append_decimal(heading, code);
  append(heading, " at $");
  append_hex8(heading, printed_address(failed_at));
  report_line(heading);
  append_address_line(failed_at);
  int level = 0;
  while (level < levels.count && levels.address[level] != failed_at)
    ++level;
  for (++level; level < levels.count && is_program_address(levels.address[level]); ++level) {
    append_address_line(levels.address[level]);
  }
  report_line(ShortLine{});
  halt_with(code);
}

}  // namespace

void set_io_code(IoCode code) {
  if (io_code_slot::pending == io_ok) io_code_slot::pending = code;
}

IoCode take_io_code() {
  IoCode code = io_code_slot::pending;
  io_code_slot::pending = io_ok;
  return code;
}

IoCode io_code_from_os_error(OsError error) {
  if (error >= 19 && error <= 31) return static_cast<IoCode>(error + 131);
  if (error == 32 || error == 145 || error == os_already_exists) return 5;
  return static_cast<IoCode>(error);
}

void stop_at_failed_guard() {
  stop_at(take_io_code(), reinterpret_cast<uintptr_t>(__builtin_return_address(0)));
}

void stop_with_runtime_error(IoCode code) {
  stop_at(code, reinterpret_cast<uintptr_t>(__builtin_return_address(0)));
}

void halt_with(uint32_t code) {
  write_out(standard_output());
  IoCode output_failure = take_io_code();
  exit_process(code == 0 ? output_failure : code);
}
