// Linked into a copy of the window: every open of a port fails as Windows fails
// it for a port that another program holds.

#include <windows.h>

#include "serial/OpenFault.h"

namespace {
[[maybe_unused]] const bool g_held = [] {
  serialdetail::InjectOpenErrorForTest(ERROR_ACCESS_DENIED);
  return true;
}();
}  // namespace
