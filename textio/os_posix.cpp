// The POSIX side of the seam. Errors come back as the Windows error numbers the tool was made
// with, so that a missing file is 2, a missing folder 3 and a refused rename 5 here as well.

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "textio/os.h"

extern "C" const char __ehdr_start[];  // the first byte of the program's image (GNU ld, lld)
extern "C" const char _etext[];        // the end of its code

namespace {

// Linux says ENOENT both for a missing file and for a missing folder on its path; Windows tells
// them apart, and so do we, by looking at the folder the name lies in.
OsError missing_name_error(const char* name) {
  if (*name == 0) return os_path_not_found;  // Windows' answer for an empty name
  const char* last_slash = std::strrchr(name, '/');
  if (last_slash == nullptr) return os_file_not_found;
  char folder[4096];
  size_t length = static_cast<size_t>(last_slash - name);
  if (length == 0) return os_file_not_found;  // in the root folder, which exists
  if (length >= sizeof folder) return os_path_not_found;
  std::memcpy(folder, name, length);
  folder[length] = 0;
  struct stat info;
  if (stat(folder, &info) != 0 || !S_ISDIR(info.st_mode)) return os_path_not_found;
  return os_file_not_found;
}

OsError error_from_errno(int number, const char* name = nullptr) {
  switch (number) {
    case 0:
      return os_gen_failure;  // a call that failed without saying why
    case ENOENT:
      return name != nullptr ? missing_name_error(name) : os_file_not_found;
    case ENOTDIR:
    case ELOOP:
      return os_path_not_found;
    case EACCES:
    case EPERM:
    case EISDIR:
      return os_access_denied;
    case EMFILE:
    case ENFILE:
      return 4;  // too many open files
    case EBADF:
      return 6;  // invalid handle
    case ENOMEM:
      return 8;  // not enough memory
    case EXDEV:
      return 17;  // not the same device
    case EROFS:
      return 19;  // write protected
    case EBUSY:
    case ETXTBSY:
      return 32;  // in use by another process
    case EINVAL:
      return 87;  // invalid parameter
    case EPIPE:
      return os_broken_pipe;
    case ENOSPC:
    case EDQUOT:
      return os_disk_full;
    case ENOTEMPTY:
      return 145;
    case EEXIST:
      return os_already_exists;
    case ENAMETOOLONG:
      return 206;  // file name too long
    default:
      return os_gen_failure;
  }
}

OsError open_read(const char* name, OsHandle* handle) {
  // Without O_NONBLOCK, opening a named pipe waits for a writer, possibly for ever.
  int fd = open(name, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return error_from_errno(errno, name);
  // Windows will not open a folder as a file; neither do we, nor a named pipe or a socket,
  // whose reads could wait for ever.
  struct stat info;
  if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode) || S_ISFIFO(info.st_mode) ||
      S_ISSOCK(info.st_mode)) {
    close(fd);
    return os_access_denied;
  }
  // Reads of what is left (files, devices) wait as reads do.
  int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    int number = errno;
    close(fd);
    return error_from_errno(number);
  }
  *handle = fd;
  return os_ok;
}

OsError create_write(const char* name, OsHandle* handle) {
  int fd = open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0666);
  if (fd < 0) return error_from_errno(errno, name);
  *handle = fd;
  return os_ok;
}

OsError read_bytes(OsHandle handle, char* buffer, uint32_t size, uint32_t* got) {
  ssize_t count;
  do {
    count = read(static_cast<int>(handle), buffer, size);
  } while (count < 0 && errno == EINTR);
  *got = count > 0 ? static_cast<uint32_t>(count) : 0;
  return count < 0 ? error_from_errno(errno) : os_ok;
}

OsError write_bytes(OsHandle handle, const char* bytes, uint32_t size, uint32_t* written) {
  uint32_t done = 0;
  while (done < size) {
    ssize_t count = write(static_cast<int>(handle), bytes + done, size - done);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) {
      *written = done;
      return error_from_errno(count < 0 ? errno : ENOSPC);
    }
    done += static_cast<uint32_t>(count);
  }
  *written = done;
  return os_ok;
}

OsError close_handle(OsHandle handle) {
  return close(static_cast<int>(handle)) == 0 ? os_ok : error_from_errno(errno);
}

OsError move(const char* from, const char* to) {
  // Only a regular file is moved: renaming a folder to a backup name would leave an empty file
  // where the folder was.
  struct stat info;
  if (lstat(from, &info) != 0) return error_from_errno(errno, from);
  if (S_ISLNK(info.st_mode) && stat(from, &info) != 0) return error_from_errno(errno, from);
  if (!S_ISREG(info.st_mode)) return os_access_denied;
  // The target must not be overwritten, not even by a file that appears meanwhile: the kernel
  // refuses an existing name in the same step. A file system without that flag gets a hard
  // link, which refuses an existing name as well, and the old name is then removed.
  if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return os_ok;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return error_from_errno(errno, to);
  if (link(from, to) != 0) return error_from_errno(errno, to);
  if (unlink(from) != 0) {
    int number = errno;
    unlink(to);
    return error_from_errno(number, from);
  }
  return os_ok;
}

bool is_console(OsHandle handle) {
  return isatty(static_cast<int>(handle)) == 1;
}

}  // namespace

const OsCalls& native_os() {
  static constexpr OsCalls calls = {open_read,    create_write, read_bytes, write_bytes,
                                    close_handle, move,         is_console};
  return calls;
}

OsHandle standard_handle(StandardStream stream) {
  switch (stream) {
    case StandardStream::input:
      return STDIN_FILENO;
    case StandardStream::output:
      return STDOUT_FILENO;
    case StandardStream::error:
      break;
  }
  return STDERR_FILENO;
}

void prepare_process() {
  signal(SIGPIPE, SIG_IGN);
}

void exit_process(uint32_t code) {
  _exit(static_cast<int>(code));
}

void module_file_name(char* name, uint32_t size) {
  if (size == 0) return;
  ssize_t length = readlink("/proc/self/exe", name, size - 1);
  name[length > 0 ? length : 0] = 0;
}

const char* command_line_string() {
  return nullptr;  // the shell has split the command line already: main's vector is it
}

bool is_program_address(uintptr_t address) {
  return address > reinterpret_cast<uintptr_t>(__ehdr_start) &&
         address <= reinterpret_cast<uintptr_t>(_etext);
}

uint32_t printed_address(uintptr_t address) {
  return static_cast<uint32_t>(address - reinterpret_cast<uintptr_t>(__ehdr_start));
}
