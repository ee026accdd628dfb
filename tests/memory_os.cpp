#include "memory_os.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

struct OpenFile {
  std::string name;
  size_t position = 0;
  bool writing = false;
};

MemoryOs* memory = nullptr;
std::vector<OpenFile> open_files;  // a handle is an index + 1
uint32_t bytes_written = 0;

OpenFile* file_of(OsHandle handle) {
  if (handle < 1 || static_cast<size_t>(handle) > open_files.size()) return nullptr;
  OpenFile& file = open_files[handle - 1];
  return file.name.empty() ? nullptr : &file;
}

OsHandle new_handle(const char* name, bool writing) {
  open_files.push_back({name, 0, writing});
  return static_cast<OsHandle>(open_files.size());
}

OsError open_read(const char* name, OsHandle* handle) {
  if (memory->files.count(name) == 0) return os_file_not_found;
  *handle = new_handle(name, false);
  return os_ok;
}

OsError create_write(const char* name, OsHandle* handle) {
  memory->files[name].clear();
  *handle = new_handle(name, true);
  return os_ok;
}

OsError read(OsHandle handle, char* buffer, uint32_t size, uint32_t* got) {
  ++memory->reads;
  OpenFile* file = file_of(handle);
  *got = 0;
  if (file == nullptr || file->writing) return 6;
  const std::string& bytes = memory->files[file->name];
  size_t count = std::min<size_t>(size, bytes.size() - file->position);
  if (memory->read_limit != 0) count = std::min<size_t>(count, memory->read_limit);
  std::memcpy(buffer, bytes.data() + file->position, count);
  file->position += count;
  *got = static_cast<uint32_t>(count);
  return os_ok;
}

OsError write(OsHandle handle, const char* bytes, uint32_t size, uint32_t* written) {
  ++memory->writes;
  OpenFile* file = file_of(handle);
  *written = 0;
  if (file == nullptr || !file->writing) return 6;
  uint32_t count = size;
  if (memory->write_limit != 0) count = std::min(size, memory->write_limit - bytes_written);
  memory->files[file->name].append(bytes, count);
  bytes_written += count;
  *written = count;
  return count == size ? os_ok : os_disk_full;
}

OsError close(OsHandle handle) {
  OpenFile* file = file_of(handle);
  if (file == nullptr) return 6;
  file->name.clear();
  return os_ok;
}

OsError move(const char* from, const char* to) {
  auto source = memory->files.find(from);
  if (source == memory->files.end()) return os_file_not_found;
  if (memory->files.count(to) != 0) return os_already_exists;
  std::string bytes = std::move(source->second);
  memory->files.erase(source);
  memory->files[to] = std::move(bytes);
  return os_ok;
}

bool is_console(OsHandle) {
  return false;
}

constexpr OsCalls memory_calls = {open_read, create_write, read, write, close, move, is_console};

}  // namespace

MemoryOsInUse::MemoryOsInUse(MemoryOs& files) {
  memory = &files;
  open_files.clear();
  bytes_written = 0;
  use_os(&memory_calls);
}

MemoryOsInUse::~MemoryOsInUse() {
  use_os(nullptr);
  memory = nullptr;
}
