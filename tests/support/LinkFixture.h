#pragma once
// A drive link connected to a simulated drive over a pseudo-terminal.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "flows/FrameLogic.h"
#include "protocol/VcmCommand.h"
#include "support/ScriptedPrompt.h"
#include "support/SimLink.h"
#include "tools/SimDrive.h"

// A clock that jumps ahead on every reading, so time-outs pass in a fraction of
// their real time while the waits still count them the way they would. The echo
// wait still lasts a hundred reads (100 to 200 ms), so a simulator thread held up
// on a loaded machine still answers within it.
struct FastClock {
  uint32_t now = 0xFFFFF000u;  // close to the wrap, so unsigned differences are exercised
  uint32_t step = 10;
  uint32_t operator()() { return now += step; }
};

class LinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim.Ok());
    ASSERT_EQ(1, link.Open(sim.Com(), 115200));
  }

  void UseFastClock() {
    auto clock = std::make_shared<FastClock>();
    link.SetClock([clock] { return (*clock)(); });
  }

  SimFaults& Faults() { return faults; }
  void ApplyFaults() { sim.Drive().SetFaults(faults); }

  SimLink sim;
  CVcmCommand link;
  SimFaults faults;
  CScriptedPrompt prompt;
  CFrameLogic frame{link, prompt};
};
