// Qt's own texts in Korean, and file dialogs that are Qt's widget dialogs,
// starting in the folder their kind of file was last chosen in.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QPushButton>
#include <QTimer>
#include <QTranslator>

#include <filesystem>
#include <memory>

#include "UiSupport.h"
#include "files/IniFile.h"
#include "files/Settings.h"
#include "resources/Strings.h"
#include "support/TempDir.h"
#include "ui/QtPrompt.h"
#include "ui/QtTranslations.h"

namespace {

QApplication& App() { return *qobject_cast<QApplication*>(QCoreApplication::instance()); }

QString CancelText() {
  QDialogButtonBox box(QDialogButtonBox::Cancel);
  return box.button(QDialogButtonBox::Cancel)->text();
}

class QtKorean : public ::testing::Test {
 protected:
  void TearDown() override {
    translator.reset();  // a translator leaves the application as it goes
    res::SetLanguage(res::Language::English);
  }
  std::unique_ptr<QTranslator> translator;
};

TEST_F(QtKorean, QtTextsFollowTheStringTableAndAMissingTranslationIsSilent) {
  res::SetLanguage(res::Language::English);
  EXPECT_EQ(nullptr, app::InstallQtTranslations(App()));
  EXPECT_EQ("Cancel", CancelText());

  res::SetLanguage(res::Language::Korean);
  TempDir empty;
  EXPECT_EQ(nullptr, app::InstallQtTranslations(App(), QString::fromStdString(empty.Path())));
  EXPECT_EQ("Cancel", CancelText());

  translator.reset(app::InstallQtTranslations(App()));
  ASSERT_NE(nullptr, translator) << "qt6-translations-l10n is not installed";
  EXPECT_EQ(&App(), translator->parent());
  EXPECT_EQ(QString::fromUtf8("취소"), CancelText());
}

// What the dialog showed when it came up; it then chooses `choose`, or is cancelled.
struct Seen {
  bool found = false;
  bool widgetDialog = false;
  QString folder;
  QString title;
};

Seen RunDialog(CQtPrompt& prompt, const FileDialogSpec& request, const QString& choose,
               std::optional<std::string>* result) {
  Seen seen;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    seen = {true, dialog->testOption(QFileDialog::DontUseNativeDialog), dialog->directory().absolutePath(),
            dialog->windowTitle()};
    if (choose.isEmpty()) {
      dialog->reject();
    } else {
      dialog->selectFile(choose);
      static_cast<QDialog*>(dialog)->accept();  // QFileDialog hides it; QDialog does not
    }
  });
  *result = prompt.AskFileName(request);
  return seen;
}

TEST_F(QtKorean, FileDialogsAreKoreanAndStartWhereTheirKindWasLastChosen) {
  res::SetLanguage(res::Language::Korean);
  translator.reset(app::InstallQtTranslations(App()));
  ASSERT_NE(nullptr, translator);
  CProgramFolderScope programFolder(false);
  TempDir files;
  const std::string dpfFolder = files.File("drive files");
  std::filesystem::create_directory(dpfFolder);
  CQtPrompt prompt;
  FileDialogSpec save{{{"Drive Parameter File(*.dpf)", "*.dpf"}}, "dpf", true, false};
  FileDialogSpec open{{{"Motor DB File(*.txt)", "*.txt"}}, "txt", false, true};

  std::optional<std::string> chosen;
  Seen seen = RunDialog(prompt, save, QString::fromStdString(dpfFolder + "/axis1.dpf"), &chosen);
  ASSERT_TRUE(seen.found);
  EXPECT_TRUE(seen.widgetDialog);
  EXPECT_EQ(QDir::homePath(), seen.folder) << "nothing kept yet";
  EXPECT_EQ(QFileDialog::tr("Save As"), seen.title);
  EXPECT_NE("Save As", seen.title);
  EXPECT_EQ(dpfFolder + "/axis1.dpf", chosen.value_or(""));

  CIniFile config;
  config.UseConfigFile();
  EXPECT_EQ(dpfFolder, ReadLastFolder(config, "dpf"));
  seen = RunDialog(prompt, save, QString(), &chosen);
  EXPECT_EQ(QString::fromStdString(dpfFolder), seen.folder);
  EXPECT_FALSE(chosen.has_value());
  EXPECT_EQ(dpfFolder, ReadLastFolder(config, "dpf")) << "a cancelled dialog keeps the folder";
  seen = RunDialog(prompt, open, QString(), &chosen);
  EXPECT_EQ(QDir::homePath(), seen.folder) << "motor DB files have a folder of their own";

  ASSERT_TRUE(config.WriteString("Folders", "dpf", files.File("removed since")));
  seen = RunDialog(prompt, save, QString(), &chosen);
  EXPECT_EQ(QDir::homePath(), seen.folder);
}

}  // namespace
