// The error report and the flash save and verify commands with their questions.

#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "support/LinkFixture.h"
#include "support/WriteKey.h"

namespace {

class FrameLogicTest : public LinkTest {};

ChangeCommandKey Key() { return ChangeCommandKeyForTests::Make(); }

TEST_F(FrameLogicTest, ReportShowsNothingWithoutAFailure) {
  EXPECT_EQ(0, frame.ReportError(0));
  EXPECT_EQ(0, frame.ReportError(ids::RetryReadParam));
  EXPECT_TRUE(prompt.Messages().empty());
}

TEST_F(FrameLogicTest, RefusalWithAndWithoutQuestion) {
  faults.refused = {"MDA"};
  ApplyFaults();
  ASSERT_EQ(rc::Refused, TransactForTest(link, "MDA"));
  prompt.QueueAnswer(btn::Ok);
  EXPECT_EQ(btn::Ok, frame.ReportError(0));
  const MessageSpec plain = prompt.Messages().back();
  EXPECT_EQ(res::LoadString(ids::CommandFailed) + "\n\n  Send : MDA\r\n  Recv : ERR", plain.text);
  EXPECT_EQ(MsgIcon::Exclamation, plain.icon);
  EXPECT_EQ(MsgButtons::Ok, plain.buttons);
  EXPECT_TRUE(plain.caption.empty()) << "plain boxes carry the application title";

  prompt.QueueAnswer(btn::TryAgain);
  EXPECT_EQ(btn::TryAgain, frame.ReportError(ids::RetryReadParam));
  const MessageSpec question = prompt.Messages().back();
  EXPECT_EQ(res::LoadString(ids::RetryReadParam) + "\n\n  Send : MDA\r\n  Recv : ERR", question.text);
  EXPECT_EQ(MsgButtons::CancelTryContinue, question.buttons);
}

TEST_F(FrameLogicTest, QuestionOnlyForRefusal) {
  faults.rawAnswer = "WHAT";
  ApplyFaults();
  ASSERT_EQ(rc::UnknownResponse, link.Transact("VER"));
  frame.ReportError(ids::RetryReadParam);
  const MessageSpec shown = prompt.Messages().back();
  EXPECT_EQ(res::LoadString(ids::UnknownResponse) + "\n\n  Send : VER\r\n  Recv : WHAT", shown.text);
  EXPECT_EQ(MsgButtons::Ok, shown.buttons);
  EXPECT_EQ(MsgIcon::Error, shown.icon);
}

TEST_F(FrameLogicTest, SaveRetriesUntilCancel) {
  faults.refused = {"SDP"};
  ApplyFaults();
  sim.Drive().ClearReceived();
  prompt.QueueAnswer(btn::TryAgain);
  prompt.QueueAnswer(btn::Retry);
  prompt.QueueAnswer(btn::Cancel);
  EXPECT_EQ(0, frame.SaveDriveParams(Key()));
  EXPECT_EQ((std::vector<std::string>{"SDP", "SDP", "SDP"}), sim.Drive().Received());
  EXPECT_EQ(3u, prompt.Messages().size());
  EXPECT_EQ(0, prompt.UnscriptedAnswers());
}

TEST_F(FrameLogicTest, SaveContinueGivesRefusalAndSuccessPasses) {
  faults.refused = {"SMP"};
  ApplyFaults();
  prompt.QueueAnswer(btn::Continue);
  EXPECT_EQ(rc::Refused, frame.SaveMotorParams(Key()));
  EXPECT_NE(std::string::npos, prompt.Messages().back().text.find(res::LoadString(ids::RetrySaveMotor)));

  faults = {};
  ApplyFaults();
  EXPECT_GT(frame.SaveMotorParams(Key()), 0);
  EXPECT_GT(frame.SaveDriveParams(Key()), 0);
}

TEST_F(FrameLogicTest, VerifyRefusalTellsWhatChanged) {
  faults.refused = {"VDP", "VMP"};
  ApplyFaults();
  EXPECT_EQ(0, frame.VerifyDriveParams());
  EXPECT_EQ(0, frame.VerifyMotorParams());
  ASSERT_EQ(2u, prompt.Messages().size());
  EXPECT_EQ(res::LoadString(ids::DriveParamsChanged), prompt.Messages()[0].text);
  EXPECT_EQ(res::LoadString(ids::MotorParamsChanged), prompt.Messages()[1].text);
  EXPECT_EQ(MsgIcon::Error, prompt.Messages()[0].icon);
}

TEST_F(FrameLogicTest, HelpersDoNothingWhenDisconnected) {
  link.Close();
  sim.Drive().ClearReceived();
  EXPECT_EQ(0, frame.SaveDriveParams(Key()));
  EXPECT_EQ(0, frame.SaveMotorParams(Key()));
  EXPECT_EQ(0, frame.VerifyDriveParams());
  EXPECT_EQ(0, frame.VerifyMotorParams());
  EXPECT_TRUE(sim.Drive().Received().empty());
  EXPECT_TRUE(prompt.Messages().empty());
}

TEST_F(FrameLogicTest, OtherFailuresAreReportedOnce) {
  UseFastClock();
  faults.silent = true;
  ApplyFaults();
  EXPECT_EQ(0, frame.SaveDriveParams(Key()));
  EXPECT_EQ(0, frame.VerifyMotorParams());
  ASSERT_EQ(2u, prompt.Messages().size());
  EXPECT_EQ(res::LoadString(ids::NoEcho), prompt.Messages()[0].text);
}

}  // namespace
