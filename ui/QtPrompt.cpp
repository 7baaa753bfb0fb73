#include "ui/QtPrompt.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

#include "files/IniFile.h"
#include "files/Settings.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "ui/ProgressDlg.h"

namespace {

const char kResultProperty[] = "dsResult";

QString Q(int id) { return QString::fromStdString(res::LoadString(id)); }

QMessageBox::Icon BoxIcon(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::Error: return QMessageBox::Critical;
    case MsgIcon::Warning:
    case MsgIcon::Exclamation: return QMessageBox::Warning;
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

QPushButton* AddButton(QMessageBox& box, int textId, QMessageBox::ButtonRole role, int result) {
  QPushButton* button = box.addButton(Q(textId), role);
  button->setProperty(kResultProperty, result);
  return button;
}

}  // namespace

QMessageBox* CQtPrompt::BuildMessageBox(const MessageSpec& message, QWidget* parent) {
  auto* box = new QMessageBox(parent);
  box->setIcon(BoxIcon(message.icon));
  box->setWindowTitle(
      QString::fromStdString(message.caption.empty() ? res::LoadString(ids::AppTitle) : message.caption));
  box->setText(QString::fromStdString(message.text));
  box->setTextFormat(Qt::PlainText);
  // The last button is the one Escape and the close box give.
  switch (message.buttons) {
    case MsgButtons::Ok: {
      QPushButton* ok = AddButton(*box, ids::ButtonOk, QMessageBox::AcceptRole, btn::Ok);
      box->setDefaultButton(ok);
      box->setEscapeButton(ok);
      break;
    }
    case MsgButtons::YesNo: {
      // Every Yes/No question asks before something reaches a drive: Enter must not
      // say Yes to it.
      AddButton(*box, ids::ButtonYes, QMessageBox::YesRole, btn::Yes);
      QPushButton* no = AddButton(*box, ids::ButtonNo, QMessageBox::NoRole, btn::No);
      box->setDefaultButton(no);
      box->setEscapeButton(no);
      break;
    }
    case MsgButtons::CancelTryContinue: {
      // One role for all three: Qt orders roles by the desktop's habit, and this set
      // is read in its own order.
      QPushButton* cancel = AddButton(*box, ids::ButtonCancel, QMessageBox::ActionRole, btn::Cancel);
      AddButton(*box, ids::ButtonTryAgain, QMessageBox::ActionRole, btn::TryAgain);
      AddButton(*box, ids::ButtonContinue, QMessageBox::ActionRole, btn::Continue);
      box->setDefaultButton(cancel);
      box->setEscapeButton(cancel);
      break;
    }
  }
  return box;
}

int CQtPrompt::ResultOf(const QMessageBox& box) {
  QAbstractButton* pressed = box.clickedButton();
  if (!pressed) pressed = box.escapeButton();
  if (!pressed) return btn::Cancel;
  return pressed->property(kResultProperty).toInt();
}

int CQtPrompt::ShowMessage(const MessageSpec& message) {
  std::unique_ptr<QMessageBox> box(BuildMessageBox(message, m_owner));
  box->exec();
  return ResultOf(*box);
}

QString CQtPrompt::NameFilter(const std::string& label, const std::string& pattern) {
  QString patterns = QString::fromStdString(pattern);
  patterns.replace(';', ' ');
  QString text = QString::fromStdString(label);
  // "*.*" means every file where each name has an extension; here many have none.
  if (patterns == QStringLiteral("*.*")) {
    patterns = QStringLiteral("*");
    text.replace(QStringLiteral("(*.*)"), QStringLiteral("(*)"));
  }
  // Labels of the string table already name their pattern, "Drive Parameter File(*.dpf)".
  if (text.endsWith(QLatin1Char(')')) && text.contains(QLatin1Char('(')) &&
      text.section(QLatin1Char('('), -1).chopped(1).split(' ', Qt::SkipEmptyParts) ==
          patterns.split(' ', Qt::SkipEmptyParts)) {
    return text;
  }
  return text + QStringLiteral(" (") + patterns + QLatin1Char(')');
}

std::optional<std::string> CQtPrompt::AskFileName(const FileDialogSpec& request) {
  // The kind of file picks the folder: drive parameter files and motor DB files
  // usually live apart, and each dialog goes back to where its kind was last.
  const std::string& kind = request.defaultExtension;
  CIniFile config;
  config.UseConfigFile();
  const std::string lastFolder = ReadLastFolder(config, kind);
  QFileDialog dialog(m_owner);
  // A native dialog would speak the desktop's language and ignore our translator.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setDirectory(lastFolder.empty() ? QDir::homePath() : QFile::decodeName(QByteArray::fromStdString(lastFolder)));
  QStringList filters;
  for (const auto& [label, pattern] : request.filters) filters << NameFilter(label, pattern);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  if (!request.defaultExtension.empty()) dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
  if (request.save) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);  // replacing a file asks first (Qt's default)
  } else {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  }
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  WriteLastFolder(config, kind, QFile::encodeName(QFileInfo(chosen.front()).absolutePath()).toStdString());
  // The file system's own bytes, so any name the folder holds can be opened again.
  return QFile::encodeName(chosen.front()).toStdString();
}

std::unique_ptr<CProgInterface> CQtPrompt::CreateProgress() { return std::make_unique<CProgressDlg>(m_owner); }
