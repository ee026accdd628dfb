// The Windows side of the seam, over the ANSI file and console services of kernel32. The error
// numbers the system gives are the ones the tool's I/O codes are made from, so they pass through
// unchanged. The few declarations needed are written out here rather than taken from the big
// system header, which keeps this file's dependencies in plain view.

#include <cstdint>
#include <cstring>

#include "textio/os.h"

namespace {

using Bool = int;
using Dword = uint32_t;
using Handle = void*;

constexpr Dword generic_read = 0x80000000;
constexpr Dword generic_write = 0x40000000;
constexpr Dword no_sharing = 0;
constexpr Dword create_always = 2;
constexpr Dword open_existing = 3;
constexpr Dword normal_attributes = 0x80;
constexpr Dword directory_attribute = 0x10;
constexpr Dword invalid_attributes = 0xFFFFFFFF;
constexpr Dword file_type_char = 2;
constexpr Dword std_input_handle = static_cast<Dword>(-10);
constexpr Dword std_output_handle = static_cast<Dword>(-11);
constexpr Dword std_error_handle = static_cast<Dword>(-12);
constexpr Dword fail_critical_errors = 0x0001;
constexpr Dword no_open_file_error_box = 0x8000;
constexpr OsError filename_too_long = 206;
const Handle invalid_handle = reinterpret_cast<Handle>(static_cast<intptr_t>(-1));

}  // namespace

extern "C" {
#if defined(__i386__)
#define BRENVIK_WINAPI __attribute__((dllimport, stdcall))
#else
#define BRENVIK_WINAPI __attribute__((dllimport))  // 64-bit Windows has one calling convention
#endif
BRENVIK_WINAPI Handle CreateFileA(const char* name, Dword access, Dword share, void* security,
                                  Dword disposition, Dword attributes, Handle template_file);
BRENVIK_WINAPI Bool ReadFile(Handle file, void* buffer, Dword size, Dword* got, void* overlapped);
BRENVIK_WINAPI Bool WriteFile(Handle file, const void* bytes, Dword size, Dword* written,
                              void* overlapped);
BRENVIK_WINAPI Bool CloseHandle(Handle object);
BRENVIK_WINAPI Bool MoveFileA(const char* from, const char* to);
BRENVIK_WINAPI Dword GetFileAttributesA(const char* name);
BRENVIK_WINAPI Handle GetStdHandle(Dword which);
BRENVIK_WINAPI Dword GetFileType(Handle file);
BRENVIK_WINAPI char* GetCommandLineA();
BRENVIK_WINAPI Dword GetModuleFileNameA(Handle module, char* name, Dword size);
BRENVIK_WINAPI Dword GetLastError();
BRENVIK_WINAPI unsigned SetErrorMode(unsigned mode);
[[noreturn]] BRENVIK_WINAPI void ExitProcess(unsigned code);
#undef BRENVIK_WINAPI

// The linker's name for the first byte of the program's image (its DOS header).
extern const char __ImageBase[];
}

namespace {

// A name as the system wants it: "\" between folders, whichever slash the user typed.
struct SystemName {
  char text[260];  // the classic path limit, terminating zero included
};

bool to_system_name(const char* name, SystemName* converted) {
  size_t length = std::strlen(name);
  if (length >= sizeof converted->text) return false;
  for (size_t i = 0; i <= length; ++i)
    converted->text[i] = name[i] == '/' ? '\\' : name[i];
  return true;
}

Handle handle_of(OsHandle handle) {
  return reinterpret_cast<Handle>(handle);
}

// The reason the last call failed; never 0, so a failure is never taken for success.
OsError last_error() {
  Dword error = GetLastError();
  return error != 0 ? error : os_gen_failure;
}

OsError open_file(const char* name, Dword access, Dword disposition, OsHandle* handle) {
  SystemName system_name;
  if (!to_system_name(name, &system_name)) return filename_too_long;
  // A folder does not open without the backup flag, so it is refused with 5 here, as wanted.
  Handle opened = CreateFileA(system_name.text, access, no_sharing, nullptr, disposition,
                              normal_attributes, nullptr);
  if (opened == invalid_handle) return last_error();
  *handle = reinterpret_cast<OsHandle>(opened);
  return os_ok;
}

OsError open_read(const char* name, OsHandle* handle) {
  return open_file(name, generic_read, open_existing, handle);
}

OsError create_write(const char* name, OsHandle* handle) {
  return open_file(name, generic_write, create_always, handle);
}

OsError read_bytes(OsHandle handle, char* buffer, uint32_t size, uint32_t* got) {
  Dword count = 0;
  Bool done = ReadFile(handle_of(handle), buffer, size, &count, nullptr);
  *got = done ? count : 0;
  return done ? os_ok : last_error();  // a closed pipe says 109, which the caller takes as the end
}

OsError write_bytes(OsHandle handle, const char* bytes, uint32_t size, uint32_t* written) {
  uint32_t done = 0;
  while (done < size) {
    Dword count = 0;
    if (!WriteFile(handle_of(handle), bytes + done, size - done, &count, nullptr)) {
      *written = done + count;
      return last_error();
    }
    if (count == 0) break;  // taken nothing and said nothing: no room left
    done += count;
  }
  *written = done;
  return done == size ? os_ok : os_disk_full;
}

OsError close_handle(OsHandle handle) {
  return CloseHandle(handle_of(handle)) ? os_ok : last_error();
}

OsError move(const char* from, const char* to) {
  SystemName system_from, system_to;
  if (!to_system_name(from, &system_from) || !to_system_name(to, &system_to)) {
    return filename_too_long;
  }
  // The system would move a folder as well; renaming one to a backup name would leave an empty
  // file where the folder was, so only files are moved.
  Dword attributes = GetFileAttributesA(system_from.text);
  if (attributes == invalid_attributes) return last_error();
  if (attributes & directory_attribute) return os_access_denied;
  // A backup name cut at 255 bytes can be the name itself: that name is taken, by the file. The
  // system calls such a move done, and the new sheet would then be created over the only copy.
  if (std::strcmp(system_from.text, system_to.text) == 0) return os_already_exists;
  // Without the replace flag the move refuses an existing target (183).
  return MoveFileA(system_from.text, system_to.text) ? os_ok : last_error();
}

bool is_console(OsHandle handle) {
  return GetFileType(handle_of(handle)) == file_type_char;
}

// The size of the program's image in memory, from its PE header.
uint32_t image_size() {
  auto read32 = [](const char* at) {
    uint32_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
  };
  const char* pe_header = __ImageBase + read32(__ImageBase + 0x3C);
  // The signature "PE\0\0" (4 bytes) and the file header (20 bytes) come first; SizeOfImage
  // lies 56 bytes into the optional header.
  return read32(pe_header + 4 + 20 + 56);
}

}  // namespace

const OsCalls& native_os() {
  static constexpr OsCalls calls = {open_read,    create_write, read_bytes, write_bytes,
                                    close_handle, move,         is_console};
  return calls;
}

OsHandle standard_handle(StandardStream stream) {
  Dword which = std_error_handle;
  switch (stream) {
    case StandardStream::input:
      which = std_input_handle;
      break;
    case StandardStream::output:
      which = std_output_handle;
      break;
    case StandardStream::error:
      break;
  }
  return reinterpret_cast<OsHandle>(GetStdHandle(which));
}

void prepare_process() {
  // A drive with no disk in it, or a broken network name, is reported as an error number like
  // any other failure instead of stopping the run with a message box.
  SetErrorMode(fail_critical_errors | no_open_file_error_box);
}

void exit_process(uint32_t code) {
  ExitProcess(code);
}

void module_file_name(char* name, uint32_t size) {
  if (size == 0) return;
  Dword length = GetModuleFileNameA(nullptr, name, size);
  // A name cut to fit comes back without its zero on older systems.
  name[length < size ? length : size - 1] = 0;
}

const char* command_line_string() {
  return GetCommandLineA();
}

bool is_program_address(uintptr_t address) {
  uintptr_t base = reinterpret_cast<uintptr_t>(__ImageBase);
  return address > base && address - base < image_size();
}

uint32_t printed_address(uintptr_t address) {
  if constexpr (sizeof address > 4) {
    // A 64-bit image lies above 4 GiB: its addresses are given from the image start, as on POSIX.
    return static_cast<uint32_t>(address - reinterpret_cast<uintptr_t>(__ImageBase));
  }
  return static_cast<uint32_t>(address);
}
