// The faulty side is what the fault-injection tests stand on: it must fail exactly the call it
// is told to, take the bytes it is told to, and chunk reads as promised.

#include "faulty_os.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "memory_os.h"
#include "textio/line_file.h"

namespace {

TEST(FaultPlanText, ParsesEveryFormAndRefusesOthers) {
  struct Case {
    const char* text;
    bool parses;
    OsCallKind kind = OsCallKind::count;
    int nth = 0;
    OsError error = 0;
    uint32_t taken = 0;
  };
  const Case cases[] = {
      {"create_write:1:5", true, OsCallKind::create_write, 1, 5, 0},
      {"any:17:3", true, OsCallKind::any, 17, 3, 0},
      {"write:3:112:100", true, OsCallKind::write, 3, 112, 100},
      {"move:2:183", true, OsCallKind::move, 2, 183, 0},
      {"any:0:5", false},
      {"any:1", false},
      {"any:1:", false},
      {"any:1:5:", false},
      {"any:1:5x", false},
      {"count:1:5", false},
      {"rea:1:5", false},
      {"", false},
  };
  for (const Case& c : cases) {
    FaultPlan plan;
    ASSERT_EQ(parse_fault_plan(c.text, &plan), c.parses) << c.text;
    if (!c.parses) continue;
    EXPECT_EQ(plan.kind, c.kind) << c.text;
    EXPECT_EQ(plan.nth, c.nth) << c.text;
    EXPECT_EQ(plan.error, c.error) << c.text;
    EXPECT_EQ(plan.bytes_taken, c.taken) << c.text;
  }
}

// One call of each kind, in a fixed order, through the faulty side over memory.
struct CallResults {
  OsError open, create, read, write, close, move;
  uint32_t written;
};

CallResults one_of_each(FaultPlan plan) {
  MemoryOs memory;
  memory.files["in"] = "bytes";
  MemoryOsInUse in_use(memory);
  use_faulty_os(os(), plan);
  CallResults results;
  OsHandle in = 0, out = 0;
  char buffer[16];
  uint32_t got = 0;
  results.open = os().open_read("in", &in);
  results.create = os().create_write("out", &out);
  results.read = os().read(in, buffer, sizeof buffer, &got);
  results.write = os().write(out, "0123456789", 10, &results.written);
  results.close = os().close(out);
  results.move = os().move("in", "moved");
  EXPECT_EQ(calls_seen(OsCallKind::any), 6);
  use_os(nullptr);
  return results;
}

TEST(FaultyOs, FailsTheKthCallCountingEveryKind) {
  for (int k = 1; k <= 6; ++k) {
    CallResults r = one_of_each({OsCallKind::any, k, 87, 0});
    OsError got[] = {r.open, r.create, r.read, r.write, r.close, r.move};
    // A call after the failed one may meet its consequence (a handle that never opened), but
    // only call k answers with the planted error, and every call before it succeeds.
    for (int call = 1; call <= 6; ++call) {
      SCOPED_TRACE("failing " + std::to_string(k) + ", call " + std::to_string(call));
      if (call < k) {
        EXPECT_EQ(got[call - 1], os_ok);
      } else if (call == k) {
        EXPECT_EQ(got[call - 1], 87u);
      } else {
        EXPECT_NE(got[call - 1], 87u);
      }
    }
  }
}

TEST(FaultyOs, AFailingWriteTakesTheBytesItIsToldButNeverAll) {
  EXPECT_EQ(one_of_each({OsCallKind::write, 1, 112, 0}).written, 0u);
  EXPECT_EQ(one_of_each({OsCallKind::write, 1, 112, 4}).written, 4u);
  EXPECT_EQ(one_of_each({OsCallKind::write, 1, 112, 500}).written, 9u);
}

TEST(FaultyOs, ChunkedReadsHandBackOneTo256BytesAndRepeatForASeed) {
  auto sizes_for = [](uint32_t seed) {
    MemoryOs memory;
    memory.files["in"] = std::string(100000, 'x');
    MemoryOsInUse in_use(memory);
    use_faulty_os(os(), FaultPlan{});
    use_read_chunks(seed);
    OsHandle in = 0;
    EXPECT_EQ(os().open_read("in", &in), os_ok);
    std::string sizes;
    char buffer[300];
    for (uint32_t got = 1; got > 0;) {
      EXPECT_EQ(os().read(in, buffer, sizeof buffer, &got), os_ok);
      if (got > 0) sizes += std::to_string(got) + " ";
      EXPECT_LE(got, 256u);
    }
    use_os(nullptr);
    return sizes;
  };
  std::string first = sizes_for(7);
  EXPECT_EQ(first, sizes_for(7));
  EXPECT_NE(first, sizes_for(8));
  std::set<std::string> distinct;
  for (size_t at = 0, end; (end = first.find(' ', at)) != std::string::npos; at = end + 1)
    distinct.insert(first.substr(at, end - at));
  EXPECT_GT(distinct.size(), 100u) << "sizes should vary: " << first.substr(0, 200);
  EXPECT_TRUE(distinct.count("1") || distinct.count("2")) << "small sizes come too";
}

}  // namespace
