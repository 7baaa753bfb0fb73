// The flow-running state and the long-work helper: when the progress window opens,
// that the state holds exactly as long as a flow, and that a nested flow keeps the
// words of the one around it.

#include <gtest/gtest.h>

#include "flows/FlowState.h"
#include "flows/LongWork.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "support/ScriptedPrompt.h"

namespace {

TEST(LongWorkTest, TheWindowOpensPastTheDelayAndTheStateHoldsForTheFlow) {
  CFlowState flows;
  int told = 0;
  flows.SetListener([&] { ++told; });
  CScriptedPrompt prompt;
  int64_t now = 1000;
  {
    CLongWork work(&flows, prompt, ids::FlowReadingParams, [&] { return now; });
    EXPECT_TRUE(flows.IsRunning());
    EXPECT_EQ(ids::FlowReadingParams, flows.StatusTextId());
    {
      // A flow inside another keeps the outer one's words and tells nobody.
      const CFlowState::Running inner = flows.Begin(ids::FlowLoadingFile);
      EXPECT_EQ(ids::FlowReadingParams, flows.StatusTextId());
    }
    EXPECT_TRUE(flows.IsRunning());
    now += CLongWork::kShowAfterMs;
    EXPECT_FALSE(work.Between(1, 4));
    ASSERT_EQ(1u, prompt.progressLogs.size()) << "the reporter is made at once, to let events run";
    EXPECT_FALSE(prompt.progressLogs[0]->opened) << "no window for a flow of 300 ms";
    EXPECT_EQ(1, prompt.progressLogs[0]->polls);
    now += 1;
    EXPECT_FALSE(work.Between(2, 4));
    EXPECT_TRUE(prompt.progressLogs[0]->opened);
    EXPECT_EQ(std::vector<int32_t>{50}, prompt.progressLogs[0]->positions);
    EXPECT_EQ(std::vector<std::string>{res::LoadString(ids::FlowReadingParams)}, prompt.progressLogs[0]->statusTexts);
  }
  EXPECT_TRUE(prompt.progressLogs[0]->destroyed);
  EXPECT_FALSE(flows.IsRunning());
  EXPECT_EQ(0, flows.StatusTextId());
  EXPECT_EQ(2, told) << "told once when the flow started and once when it ended";
}

}  // namespace
