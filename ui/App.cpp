#include "ui/App.h"

#include <QApplication>
#include <QSettings>

#include "resources/Strings.h"
#include "ui/BoxWidth.h"
#include "ui/DialogUnits.h"
#include "ui/Icons.h"
#include "ui/MainFrame.h"
#include "ui/QtTranslations.h"

namespace app {

void ConfigureApplication(QApplication& application) {
  // Groups the program's windows under one id on the desktop.
  QGuiApplication::setDesktopFileName(QStringLiteral("Quorvel.DravomixSetting.Lite.Ver1"));
  // QSettings() then means "Quorvel" / "DravomixLiteUser": the window framework's own
  // state. The program keeps its settings in Config.ini, and a run never starts
  // from what the last one left here.
  QCoreApplication::setOrganizationName(QStringLiteral("Quorvel"));
  QCoreApplication::setApplicationName(QStringLiteral("DravomixLiteUser"));
  QSettings().clear();

  res::CurrentLanguage();  // fixed for the run from the locale
  InstallQtTranslations(application);
  application.setFont(CDialogUnits::FormFont());
  application.setWindowIcon(icons::ProgramIcon());
  boxwidth::Install(application);
}

std::unique_ptr<CMainFrame> CreateMainFrame(CVcmCommand& link, CParamDescFile& model) {
  auto frame = std::make_unique<CMainFrame>(link, model);
  if (!frame->Create()) return nullptr;
  frame->show();
  frame->repaint();
  return frame;
}

}  // namespace app
