// Work run on a stack of its own: recursion far past a thread's usual stack fits,
// an exception comes back to the caller, and runs nest.

#include <gtest/gtest.h>

#include <stdexcept>

#include "params/OwnStack.h"

namespace {

// About a kilobyte a level, kept by the use after the call.
int Descend(int levels) {
  volatile char frame[1024];
  frame[0] = static_cast<char>(levels);
  return levels == 0 ? 0 : Descend(levels - 1) + 1 + frame[0] - static_cast<char>(levels);
}

TEST(OwnStack, DeepWorkFitsExceptionsComeBackAndRunsNest) {
  // 20 MB of frames: past the 8 MB of a Linux thread and the 1 MB of a Windows one.
  int reached = -1;
  ASSERT_TRUE(RunOnOwnStack(size_t{128} << 20, [&] { reached = Descend(20000); }));
  EXPECT_EQ(20000, reached);

  EXPECT_THROW(RunOnOwnStack(1 << 20, [] { throw std::runtime_error("thrown on the other stack"); }),
               std::runtime_error);

  int steps = 0;
  ASSERT_TRUE(RunOnOwnStack(1 << 20, [&] {
    EXPECT_THROW(RunOnOwnStack(1 << 20,
                               [&] {
                                 ++steps;
                                 throw std::logic_error("thrown two stacks down");
                               }),
                 std::logic_error);
    ++steps;
  }));
  EXPECT_EQ(2, steps);
  // The thread is itself again afterwards, and takes another run.
  EXPECT_TRUE(RunOnOwnStack(1 << 20, [&] { ++steps; }));
  EXPECT_EQ(3, steps);
}

}  // namespace
