// The drive-setting program: one frame window for one servo drive on a COM port.

#include <QApplication>

#include "ui/App.h"
#include "ui/MainFrame.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  app::ConfigureApplication(application);
  std::unique_ptr<CMainFrame> frame = app::CreateMainFrame();
  if (!frame) return 1;
  return application.exec();
}
