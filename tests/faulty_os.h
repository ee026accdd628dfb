#pragma once
// A side of the seam that forwards to another one and fails one chosen call: the nth call of
// one kind, or the nth call of any kind, with a chosen operating-system error. A failed write
// takes a chosen number of bytes (none unless told, never all): a short write. It can also hand
// reads back in random chunks of 1 to 256 bytes, and note every call it sees in a log.

#include <cstdint>

#include "textio/os.h"

enum class OsCallKind { open_read, create_write, read, write, close, move, any, count };

struct FaultPlan {
  OsCallKind kind = OsCallKind::count;  // count: no call fails; any: counts every call
  int nth = 0;                          // 1-based, among the calls of that kind
  OsError error = os_ok;
  uint32_t bytes_taken = 0;  // a failing write still takes this many bytes, never all of them
};

// Parses "kind:nth:error" or "write:nth:error:bytes_taken", for example "create_write:1:5",
// "any:7:2" or "write:3:112:100". False when the text is not one.
bool parse_fault_plan(const char* text, FaultPlan* plan);

// Puts the faulty side in front of `base` (until use_os(nullptr)).
void use_faulty_os(const OsCalls& base, FaultPlan plan);
// From now on, reads hand back 1 to 256 bytes (never more than asked) at random, the same
// sizes for the same seed; seed 0 turns this off.
void use_read_chunks(uint32_t seed);
// From now on, every call is noted on the open file descriptor `fd`, one line each: the kind
// and what it acts on ("open_read freedb.txt", "write <stdout>", "move a.cue a.cue.bak"). -1
// turns this off.
void log_calls_to(const char* path);
// How many calls of a kind the faulty side has seen (any: all of them).
int calls_seen(OsCallKind kind);
