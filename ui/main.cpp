// The drive-setting program: one frame window for one servo drive on a COM port.

#include <QApplication>

#include "params/ParamDescFile.h"
#include "protocol/VcmCommand.h"
#include "ui/App.h"
#include "ui/MainFrame.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  app::ConfigureApplication(application);
  // The window keeps one drive: one link and one description model for the whole
  // run, made here and handed down; the frame goes before them.
  CVcmCommand link;
  CParamDescFile model;
  std::unique_ptr<CMainFrame> frame = app::CreateMainFrame(link, model);
  if (!frame) return 1;
  return application.exec();
}
