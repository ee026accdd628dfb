#pragma once
// A side of the seam that forwards to another one and fails one chosen call: the nth call of
// one kind, with a chosen operating-system error. A failed write takes no byte.

#include <cstdint>

#include "textio/os.h"

enum class OsCallKind { open_read, create_write, read, write, close, move, count };

struct FaultPlan {
  OsCallKind kind = OsCallKind::count;  // count: no call fails
  int nth = 0;                          // 1-based, among the calls of that kind
  OsError error = os_ok;
};

// Parses "kind:nth:error", for example "create_write:1:5". False when the text is not one.
bool parse_fault_plan(const char* text, FaultPlan* plan);

// Puts the faulty side in front of `base` (until use_os(nullptr)).
void use_faulty_os(const OsCalls& base, FaultPlan plan);
// How many calls of a kind the faulty side has seen.
int calls_seen(OsCallKind kind);
