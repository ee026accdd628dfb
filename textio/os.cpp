#include "textio/os.h"

// The side of the seam in use: the platform's own, unless a test put another in front.
namespace {
const OsCalls* calls_in_use = nullptr;
}

const OsCalls& os() {
  return calls_in_use != nullptr ? *calls_in_use : native_os();
}

void use_os(const OsCalls* calls) {
  calls_in_use = calls;
}
