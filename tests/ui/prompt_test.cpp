// The message boxes of the prompt: caption, buttons and the codes they return, in
// both languages; file dialog filters; progress reporters.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <memory>

#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "ui/ProgressDlg.h"
#include "ui/QtPrompt.h"

namespace {

QStringList ButtonTexts(const QMessageBox& box) {
  QStringList texts;
  for (QAbstractButton* button : box.buttons()) texts << button->text();
  texts.sort();
  return texts;
}

// The buttons as the user sees them, from left to right.
QStringList ButtonsLeftToRight(QMessageBox& box) {
  box.show();
  QApplication::processEvents();
  QList<QAbstractButton*> buttons = box.buttons();
  std::sort(buttons.begin(), buttons.end(), [&](QAbstractButton* a, QAbstractButton* b) {
    return a->mapTo(&box, QPoint()).x() < b->mapTo(&box, QPoint()).x();
  });
  QStringList texts;
  for (QAbstractButton* button : buttons) texts << button->text();
  box.hide();
  return texts;
}

QAbstractButton* ButtonWithText(const QMessageBox& box, const QString& text) {
  for (QAbstractButton* button : box.buttons()) {
    if (button->text() == text) return button;
  }
  return nullptr;
}

class PromptTest : public ::testing::Test {
 protected:
  void SetUp() override { res::SetLanguage(res::Language::English); }
  void TearDown() override { res::SetLanguage(res::Language::English); }
};

TEST_F(PromptTest, EachButtonSetAnswersWithItsCodes) {
  struct Case {
    MsgButtons buttons;
    const char* pressed;  // nullptr: Escape or the close box
    int expected;
  };
  const Case cases[] = {
      {MsgButtons::Ok, "OK", btn::Ok},
      {MsgButtons::Ok, nullptr, btn::Ok},
      {MsgButtons::YesNo, "&Yes", btn::Yes},
      {MsgButtons::YesNo, "&No", btn::No},
      {MsgButtons::YesNo, nullptr, btn::No},
      {MsgButtons::CancelTryContinue, "Cancel", btn::Cancel},
      {MsgButtons::CancelTryContinue, "&Try Again", btn::TryAgain},
      {MsgButtons::CancelTryContinue, "&Continue", btn::Continue},
      {MsgButtons::CancelTryContinue, nullptr, btn::Cancel},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pressed ? c.pressed : "(escape)");
    MessageSpec message;
    message.text = "question";
    message.buttons = c.buttons;
    std::unique_ptr<QMessageBox> box(CQtPrompt::BuildMessageBox(message, nullptr));
    if (c.pressed) {
      QAbstractButton* button = ButtonWithText(*box, c.pressed);
      ASSERT_NE(nullptr, button);
      button->click();
    }
    EXPECT_EQ(c.expected, CQtPrompt::ResultOf(*box));
  }
}

// Every Yes/No question asks before something reaches a drive: Enter answers No.
TEST_F(PromptTest, EnterAnswersNoToAQuestion) {
  MessageSpec message;
  message.text = res::LoadString(ids::StopCurrentWarning);
  message.buttons = MsgButtons::YesNo;
  std::unique_ptr<QMessageBox> box(CQtPrompt::BuildMessageBox(message, nullptr));
  ASSERT_NE(nullptr, box->defaultButton());
  box->defaultButton()->click();
  EXPECT_EQ(btn::No, CQtPrompt::ResultOf(*box));
}

TEST_F(PromptTest, CaptionIsTheApplicationTitleUnlessGiven) {
  MessageSpec message;
  message.text = "t";
  message.icon = MsgIcon::Error;
  std::unique_ptr<QMessageBox> plain(CQtPrompt::BuildMessageBox(message, nullptr));
  EXPECT_EQ("Quorvel Drive Setting Program", plain->windowTitle());
  EXPECT_EQ(QMessageBox::Critical, plain->icon());
  message.caption = "Set Parameter";
  message.icon = MsgIcon::Warning;
  std::unique_ptr<QMessageBox> own(CQtPrompt::BuildMessageBox(message, nullptr));
  EXPECT_EQ("Set Parameter", own->windowTitle());
  EXPECT_EQ(QMessageBox::Warning, own->icon());
}

TEST_F(PromptTest, KoreanButtonsAndTitle) {
  res::SetLanguage(res::Language::Korean);
  MessageSpec message;
  message.buttons = MsgButtons::CancelTryContinue;
  std::unique_ptr<QMessageBox> box(CQtPrompt::BuildMessageBox(message, nullptr));
  EXPECT_EQ(QString::fromStdString(res::LoadString(ids::AppTitle, res::Language::Korean)), box->windowTitle());
  QStringList expected = {QString::fromUtf8("취소"), QString::fromUtf8("다시 시도(&T)"), QString::fromUtf8("계속(&C)")};
  expected.sort();
  EXPECT_EQ(expected, ButtonTexts(*box));
}

TEST_F(PromptTest, ButtonsStandInTheOrderOfTheirSet) {
  MessageSpec message;
  message.buttons = MsgButtons::CancelTryContinue;
  std::unique_ptr<QMessageBox> box(CQtPrompt::BuildMessageBox(message, nullptr));
  EXPECT_EQ("Cancel | &Try Again | &Continue", ButtonsLeftToRight(*box).join(" | ").toStdString());
  message.buttons = MsgButtons::YesNo;
  box.reset(CQtPrompt::BuildMessageBox(message, nullptr));
  EXPECT_EQ("&Yes | &No", ButtonsLeftToRight(*box).join(" | ").toStdString());
}

TEST_F(PromptTest, ShowMessageRunsTheBoxAndReturnsThePressedButton) {
  QWidget owner;
  CQtPrompt prompt(&owner);
  QTimer::singleShot(0, [] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(nullptr, box);
    ButtonWithText(*box, "&Try Again")->click();
  });
  MessageSpec message;
  message.text = "A command to save drive parameters was failed. Do you want to try it again?";
  message.buttons = MsgButtons::CancelTryContinue;
  EXPECT_EQ(btn::TryAgain, prompt.ShowMessage(message));
}

TEST_F(PromptTest, FileFiltersKeepLabelsThatNameTheirPattern) {
  EXPECT_EQ("Drive Parameter File(*.dpf)", CQtPrompt::NameFilter("Drive Parameter File(*.dpf)", "*.dpf"));
  EXPECT_EQ("Text (*.txt *.log)", CQtPrompt::NameFilter("Text", "*.txt;*.log"));
  EXPECT_EQ("Odd(x) (*.dpf)", CQtPrompt::NameFilter("Odd(x)", "*.dpf"));
  EXPECT_EQ("All Files(*)", CQtPrompt::NameFilter("All Files(*.*)", "*.*")) << "names without a dot are files too";
}

TEST_F(PromptTest, ProgressReportersAreProgressWindowsOverTheOwner) {
  QWidget owner;
  owner.show();
  CQtPrompt prompt(&owner);
  {
    std::unique_ptr<CProgInterface> progress = prompt.CreateProgress();
    ASSERT_NE(nullptr, dynamic_cast<CProgressDlg*>(progress.get()));
    ASSERT_TRUE(progress->Open());
    EXPECT_FALSE(owner.isEnabled());
  }
  EXPECT_TRUE(owner.isEnabled());
}

}  // namespace
