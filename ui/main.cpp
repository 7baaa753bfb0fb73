// The drive-setting program: one frame window for one servo drive on a COM port.

#include <QApplication>
#include <QStringList>
#include <QTimer>

#include <cstdio>
#include <string>
#include <vector>

#include "files/ConfigFile.h"
#include "params/ParamDescFile.h"
#include "protocol/VcmCommand.h"
#include "resources/AboutText.h"
#include "ui/App.h"
#include "ui/MainFrame.h"
#include "ui/QtPrompt.h"
#include "ui/VersionInfo.h"

int main(int argc, char** argv) {
  // Answered before the toolkit starts, so they work without a screen too.
  const WindowStart start = WindowStartOf(std::vector<std::string>(argv + 1, argv + argc));
  if (start != WindowStart::Run) {
    VersionInfo info;
    const std::string text = start == WindowStart::Help
                                 ? WindowHelpText("drive-setting")
                                 : WindowVersionText(MakeAboutLines(ReadVersionInfo(argv[0], info) ? &info : nullptr));
    return std::printf("%s\n", text.c_str()) < 0 ? 1 : 0;
  }
  QApplication application(argc, argv);
  app::ConfigureApplication(application);
  // For install checks: the window comes up, the event loop runs once, and the
  // program ends with 0; any message goes to stderr, where no one must click it.
  const bool quitAfterStart = QApplication::arguments().contains(QStringLiteral("--quit-after-start"));
  // Before anything reads Config.ini: a file of garbage is moved aside once, and said so once.
  if (const std::optional<std::string> badConfig = files::SetAsideBadConfig()) {
    if (quitAfterStart) {
      std::fprintf(stderr, "%s\n", badConfig->c_str());
    } else {
      CQtPrompt().ShowMessage({*badConfig, std::string(), MsgIcon::Warning, MsgButtons::Ok});
    }
  }
  // The window keeps one drive: one link and one description model for the whole
  // run, made here and handed down; the frame goes before them.
  CVcmCommand link;
  CParamDescFile model;
  // Armed before the frame: exit() ends every running event loop (quit() would wait
  // for exec), so a message box that start-up could not get past ends the run
  // (exit 1) instead of hanging it.
  if (quitAfterStart) QTimer::singleShot(0, &application, [] { QCoreApplication::exit(0); });
  std::unique_ptr<CMainFrame> frame = app::CreateMainFrame(link, model);
  if (!frame) return 1;
  return application.exec();
}
