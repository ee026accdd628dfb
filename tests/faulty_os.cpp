#include "faulty_os.h"

#include <cstdlib>
#include <cstring>

namespace {

const OsCalls* base = nullptr;
FaultPlan plan;
int seen[static_cast<int>(OsCallKind::count)];

const char* const kind_names[] = {"open_read", "create_write", "read", "write", "close", "move"};

// Counts the call; true when it is the one to fail.
bool fails(OsCallKind kind) {
  int number = ++seen[static_cast<int>(kind)];
  return kind == plan.kind && number == plan.nth;
}

OsError open_read(const char* name, OsHandle* handle) {
  return fails(OsCallKind::open_read) ? plan.error : base->open_read(name, handle);
}

OsError create_write(const char* name, OsHandle* handle) {
  return fails(OsCallKind::create_write) ? plan.error : base->create_write(name, handle);
}

OsError read(OsHandle handle, char* buffer, uint32_t size, uint32_t* got) {
  if (!fails(OsCallKind::read)) return base->read(handle, buffer, size, got);
  *got = 0;
  return plan.error;
}

OsError write(OsHandle handle, const char* bytes, uint32_t size, uint32_t* written) {
  if (!fails(OsCallKind::write)) return base->write(handle, bytes, size, written);
  *written = 0;
  return plan.error;
}

OsError close(OsHandle handle) {
  OsError error = base->close(handle);  // the handle is released either way
  return fails(OsCallKind::close) ? plan.error : error;
}

OsError move(const char* from, const char* to) {
  return fails(OsCallKind::move) ? plan.error : base->move(from, to);
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
    if (*end != 0 || end == rest + 1) return false;
    *parsed = {static_cast<OsCallKind>(kind), static_cast<int>(nth), static_cast<OsError>(error)};
    return true;
  }
  return false;
}

void use_faulty_os(const OsCalls& forward_to, FaultPlan chosen) {
  base = &forward_to;
  plan = chosen;
  std::memset(seen, 0, sizeof seen);
  use_os(&faulty_calls);
}

int calls_seen(OsCallKind kind) {
  return seen[static_cast<int>(kind)];
}
