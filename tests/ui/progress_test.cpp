// The progress window: percentage rules, keys that must not close it, the cancel
// request, and the owner that must always be enabled again.

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QProgressBar>
#include <QPushButton>

#include <climits>
#include <stdexcept>

#include "ui/ProgressDlg.h"

namespace {

TEST(PercentText, FollowsTheLabelRules) {
  struct Case {
    int32_t lower, upper, current;
    const char* expected;
  };
  const Case cases[] = {
      {0, 100, 0, "0%"},
      {0, 100, 42, "42%"},
      {0, 100, 100, "100%"},
      {0, 100, 150, "50%"},
      {0, 100, 200, "0%"},
      {0, 100, -30, "-30%"},
      {10, 20, 15, "50%"},
      {0, 3, 1, "33%"},
      {100, 0, 25, "75%"},
      {0, 100, -130, "-30%"},                     // remainder truncated toward zero
      {INT32_MIN, INT32_MAX, INT32_MAX, "100%"},  // no overflow on the widest range
      {0, 1, INT32_MAX, "0%"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.lower << ".." << c.upper << " @" << c.current);
    const auto text = PercentText(c.lower, c.upper, c.current);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(c.expected, *text);
  }
  EXPECT_FALSE(PercentText(5, 5, 5).has_value()) << "an empty range has no percentage";
}

class ProgressTest : public ::testing::Test {
 protected:
  void SendKey(QWidget* target, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
  }
  QWidget owner;
};

TEST_F(ProgressTest, LabelShowsDesignTextUntilTheFirstUpdate) {
  CProgressDlg progress(&owner);
  EXPECT_EQ("0 %", progress.PercentLabelText());
  ASSERT_TRUE(progress.Open());
  EXPECT_EQ("0 %", progress.PercentLabelText());
  progress.SetRange(0, 100);
  progress.SetPosition(0);
  EXPECT_EQ("0%", progress.PercentLabelText());
  progress.SetPosition(100);
  EXPECT_EQ("100%", progress.PercentLabelText());
  progress.SetPosition(150);
  EXPECT_EQ("50%", progress.PercentLabelText());
  progress.SetRange(7, 7);
  progress.SetPosition(7);
  EXPECT_EQ("50%", progress.PercentLabelText()) << "an empty range leaves the label as it was";
}

TEST_F(ProgressTest, PositionsReturnThePreviousOneAndMoveTheBar) {
  CProgressDlg progress(&owner);
  progress.SetRange(10, 20);
  EXPECT_EQ(10, progress.SetStep(3));
  ASSERT_TRUE(progress.Open());
  EXPECT_EQ(10, progress.Bar()->value()) << "the bar starts at the lower bound";
  EXPECT_EQ(10, progress.SetPosition(15));
  EXPECT_EQ("50%", progress.PercentLabelText());
  EXPECT_EQ(15, progress.MovePosition(2));
  EXPECT_EQ(17, progress.BarPosition());
  EXPECT_EQ("70%", progress.PercentLabelText());
  EXPECT_EQ(17, progress.StepForward());
  EXPECT_EQ(20, progress.BarPosition());
  EXPECT_EQ(20, progress.StepForward());
  EXPECT_EQ(10, progress.BarPosition()) << "a step past the end starts the bar over";
  EXPECT_EQ("30%", progress.PercentLabelText());
}

TEST_F(ProgressTest, BarTakesSixteenBitBoundsWhileThePercentageUsesTheFullRange) {
  CProgressDlg progress(&owner);
  ASSERT_TRUE(progress.Open());
  progress.SetRange(0, 40000);
  EXPECT_EQ(40000, progress.Bar()->maximum()) << "the halves are unsigned";
  progress.SetRange(0, 70000);
  EXPECT_EQ(70000 - 65536, progress.Bar()->maximum());
  progress.SetPosition(35000);
  EXPECT_EQ("50%", progress.PercentLabelText());
}

TEST_F(ProgressTest, EnterDoesNothingEscapeAndCloseOnlyRequestCancel) {
  CProgressDlg progress(&owner);
  ASSERT_TRUE(progress.Open());
  SendKey(&progress, Qt::Key_Return);
  SendKey(progress.CancelButton(), Qt::Key_Enter);
  EXPECT_TRUE(progress.isVisible());
  EXPECT_FALSE(progress.PollCancel()) << "Enter must not cancel";

  SendKey(&progress, Qt::Key_Escape);
  EXPECT_TRUE(progress.isVisible());
  EXPECT_TRUE(progress.PollCancel());

  progress.close();
  EXPECT_TRUE(progress.isVisible()) << "the close box never closes it";
  EXPECT_TRUE(progress.PollCancel());
}

TEST_F(ProgressTest, CancelIsReportedOnceHoweverOftenItWasPressed) {
  CProgressDlg progress(&owner);
  ASSERT_TRUE(progress.Open());
  progress.CancelButton()->click();
  progress.CancelButton()->click();
  EXPECT_TRUE(progress.isVisible());
  EXPECT_TRUE(progress.PollCancel());
  EXPECT_FALSE(progress.PollCancel());
}

TEST_F(ProgressTest, PollingRunsQueuedEvents) {
  CProgressDlg progress(&owner);
  ASSERT_TRUE(progress.Open());
  bool ran = false;
  QMetaObject::invokeMethod(
      &owner, [&] { ran = true; }, Qt::QueuedConnection);
  progress.PollCancel();
  EXPECT_TRUE(ran);
}

TEST_F(ProgressTest, OwnerIsDisabledWhileShownAndEnabledWhenTheReporterGoes) {
  owner.show();
  {
    std::unique_ptr<CProgInterface> progress = std::make_unique<CProgressDlg>(&owner);
    ASSERT_TRUE(progress->Open());
    EXPECT_FALSE(owner.isEnabled());
    EXPECT_TRUE(dynamic_cast<CProgressDlg*>(progress.get())->isEnabled()) << "the progress window itself still works";
  }
  EXPECT_TRUE(owner.isEnabled());

  try {
    auto progress = std::make_unique<CProgressDlg>(&owner);
    progress->Open();
    throw std::runtime_error("operation failed");
  } catch (const std::runtime_error&) {
  }
  EXPECT_TRUE(owner.isEnabled()) << "unwinding enables the owner again";

  { CProgressDlg neverOpened(&owner); }
  EXPECT_TRUE(owner.isEnabled());
}

TEST_F(ProgressTest, OwnerFoundDisabledStaysDisabled) {
  owner.setEnabled(false);
  {
    CProgressDlg progress(&owner);
    ASSERT_TRUE(progress.Open());
  }
  EXPECT_FALSE(owner.isEnabled()) << "only what the progress disabled is enabled again";
}

TEST_F(ProgressTest, WithoutAWindowValuesAreOnlyStored) {
  CProgressDlg progress(&owner);
  progress.SetStatusText("ignored");
  EXPECT_EQ(0, progress.SetPosition(50));
  EXPECT_EQ(50, progress.MovePosition(5));
  EXPECT_EQ("0 %", progress.PercentLabelText());
  EXPECT_TRUE(progress.StatusText().isEmpty());
  EXPECT_TRUE(owner.isEnabled());
}

}  // namespace

namespace {

TEST_F(ProgressTest, TextsAtOnceAndTheBarWhenEventsNextRun) {
  CProgressDlg progress(&owner);
  ASSERT_TRUE(progress.Open());
  progress.SetPosition(42);
  // A label draws no tab stop: the line number and the command keep a gap in any font.
  progress.SetStatusText("\xEC\xA4\x84 : #147\tmad36");
  EXPECT_EQ(QString::fromUtf8("\xEC\xA4\x84 : #147    mad36"), progress.StatusText());
  EXPECT_EQ("42%", progress.PercentLabelText());
  QCoreApplication::processEvents();
  EXPECT_EQ(42, progress.Bar()->value()) << "any event loop shows the latest position";
}

}  // namespace
