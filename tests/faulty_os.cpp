#include "faulty_os.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>

namespace {

const OsCalls* base = nullptr;
FaultPlan plan;
int seen[static_cast<int>(OsCallKind::count)];
bool chunked_reads = false;
std::mt19937 chunk_sizes;
std::FILE* log_file = nullptr;
std::map<OsHandle, std::string> handle_names;  // for the log

const char* const kind_names[] = {"open_read", "create_write", "read", "write",
                                  "close",     "move",         "any"};

void note(OsCallKind kind, const std::string& what) {
  if (log_file == nullptr) return;
  // Written out at once: the process ends without flushing the C library's buffers.
  std::fprintf(log_file, "%s %s\n", kind_names[static_cast<int>(kind)], what.c_str());
  std::fflush(log_file);
}

std::string name_of(OsHandle handle) {
  auto known = handle_names.find(handle);
  if (known != handle_names.end()) return known->second;
  if (handle == standard_handle(StandardStream::output)) return "<stdout>";
  if (handle == standard_handle(StandardStream::error)) return "<stderr>";
  return "<handle " + std::to_string(handle) + ">";
}

// Counts the call; true when it is the one to fail.
bool fails(OsCallKind kind, const std::string& what) {
  note(kind, what);
  int number = ++seen[static_cast<int>(kind)];
  int any_number = ++seen[static_cast<int>(OsCallKind::any)];
  if (plan.kind == OsCallKind::any) return any_number == plan.nth;
  return kind == plan.kind && number == plan.nth;
}

OsError open_read(const char* name, OsHandle* handle) {
  if (fails(OsCallKind::open_read, name)) return plan.error;
  OsError error = base->open_read(name, handle);
  if (error == os_ok) handle_names[*handle] = name;
  return error;
}

OsError create_write(const char* name, OsHandle* handle) {
  if (fails(OsCallKind::create_write, name)) return plan.error;
  OsError error = base->create_write(name, handle);
  if (error == os_ok) handle_names[*handle] = name;
  return error;
}

OsError read(OsHandle handle, char* buffer, uint32_t size, uint32_t* got) {
  if (fails(OsCallKind::read, name_of(handle))) {
    *got = 0;
    return plan.error;
  }
  if (chunked_reads && size > 0) {
    uint32_t chunk = std::uniform_int_distribution<uint32_t>(1, 256)(chunk_sizes);
    if (chunk < size) size = chunk;
  }
  return base->read(handle, buffer, size, got);
}

OsError write(OsHandle handle, const char* bytes, uint32_t size, uint32_t* written) {
  if (!fails(OsCallKind::write, name_of(handle))) return base->write(handle, bytes, size, written);
  uint32_t taken = size == 0 ? 0 : plan.bytes_taken < size ? plan.bytes_taken : size - 1;
  *written = 0;
  if (taken > 0) base->write(handle, bytes, taken, written);
  return plan.error;
}

OsError close(OsHandle handle) {
  bool failing = fails(OsCallKind::close, name_of(handle));
  handle_names.erase(handle);
  OsError error = base->close(handle);  // the handle is released either way
  return failing ? plan.error : error;
}

OsError move(const char* from, const char* to) {
  return fails(OsCallKind::move, std::string(from) + " " + to) ? plan.error : base->move(from, to);
}

bool is_console(OsHandle handle) {
  return base->is_console(handle);
}

constexpr OsCalls faulty_calls = {open_read, create_write, read, write, close, move, is_console};

}  // namespace

bool parse_fault_plan(const char* text, FaultPlan* parsed) {
  const char* colon = std::strchr(text, ':');
  if (colon == nullptr) return false;
  for (int kind = 0; kind < static_cast<int>(OsCallKind::count); ++kind) {
    size_t length = std::strlen(kind_names[kind]);
    if (static_cast<size_t>(colon - text) != length || std::strncmp(text, kind_names[kind], length))
      continue;
    char* rest = nullptr;
    long nth = std::strtol(colon + 1, &rest, 10);
    if (*rest != ':' || nth < 1) return false;
    char* end = nullptr;
    unsigned long error = std::strtoul(rest + 1, &end, 10);
    if (end == rest + 1) return false;
    unsigned long taken = 0;
    if (*end == ':') {
      char* taken_end = nullptr;
      taken = std::strtoul(end + 1, &taken_end, 10);
      if (taken_end == end + 1) return false;
      end = taken_end;
    }
    if (*end != 0) return false;
    *parsed = {static_cast<OsCallKind>(kind), static_cast<int>(nth), static_cast<OsError>(error),
               static_cast<uint32_t>(taken)};
    return true;
  }
  return false;
}

void use_faulty_os(const OsCalls& forward_to, FaultPlan chosen) {
  base = &forward_to;
  plan = chosen;
  std::memset(seen, 0, sizeof seen);
  handle_names.clear();
  chunked_reads = false;
  use_os(&faulty_calls);
}

void use_read_chunks(uint32_t seed) {
  chunked_reads = seed != 0;
  chunk_sizes.seed(seed);
}

void log_calls_to(const char* path) {
  log_file = std::fopen(path, "wb");
}

int calls_seen(OsCallKind kind) {
  return seen[static_cast<int>(kind)];
}
