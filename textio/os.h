#pragma once
// The seam between the text files and the operating system. File calls go through a table of
// plain functions, so tests can put a side of their own in front of the real one (failing a
// chosen call, handing reads back in odd chunks, keeping files in memory). Every call answers
// with an operating-system error number, 0 for success. Numbers are those of Windows on every
// platform: the POSIX side translates errno into them, so the I/O codes come out the same.

#include <cstdint>

using OsError = uint32_t;
using OsHandle = intptr_t;

inline constexpr OsError os_ok = 0;
inline constexpr OsError os_file_not_found = 2;
inline constexpr OsError os_path_not_found = 3;
inline constexpr OsError os_access_denied = 5;
inline constexpr OsError os_gen_failure = 31;
inline constexpr OsError os_broken_pipe = 109;
inline constexpr OsError os_disk_full = 112;
inline constexpr OsError os_already_exists = 183;

struct OsCalls {
  // Opens an existing file for reading only; a directory is refused.
  OsError (*open_read)(const char* name, OsHandle* handle);
  // Creates a file, or empties an existing one, for writing only.
  OsError (*create_write)(const char* name, OsHandle* handle);
  // Reads up to `size` bytes; `*got` is 0 at the end of the file.
  OsError (*read)(OsHandle handle, char* buffer, uint32_t size, uint32_t* got);
  // Writes `size` bytes; `*written` says how many were taken, also on failure.
  OsError (*write)(OsHandle handle, const char* bytes, uint32_t size, uint32_t* written);
  OsError (*close)(OsHandle handle);
  // Moves a regular file to a new name; refuses, atomically, when the new name exists.
  OsError (*move)(const char* from, const char* to);
  // True for a character device, where output is written out line by line.
  bool (*is_console)(OsHandle handle);
};

// The side in use: the real one unless a test put another in front.
const OsCalls& os();
// The platform's own side, defined by os_posix.cpp or os_win32.cpp.
const OsCalls& native_os();
// Tests only; nullptr puts the real side back.
void use_os(const OsCalls* calls);

// Process services, never replaced.
enum class StandardStream { input, output, error };
OsHandle standard_handle(StandardStream stream);
// Once at process start (the POSIX side stops a closed pipe from killing the process, so that a
// failed write is reported like any other).
void prepare_process();
[[noreturn]] void exit_process(uint32_t code);
// The program's own module file name, zero-terminated, cut to fit `size`.
void module_file_name(char* name, uint32_t size);
// The command line as the one string the system hands a process (Windows), program name first;
// nullptr where the process gets an argument vector already split (POSIX).
const char* command_line_string();
// Code addresses for the run-time error report: whether a return address lies in the program's
// own code, and the 32-bit number printed for it.
bool is_program_address(uintptr_t address);
uint32_t printed_address(uintptr_t address);
