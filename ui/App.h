#pragma once
// Start-up of the program, shared by the program itself and the screenshot tool.

#include <memory>

class QApplication;
class CMainFrame;
class CParamDescFile;
class CVcmCommand;

namespace app {

// The application id and names, the framework-state key (cleared: every run starts
// with the default layout), the language and the program icon. Call once, right
// after the QApplication exists.
void ConfigureApplication(QApplication& application);

// Creates and shows the main frame over the program's drive link and description
// model, which must outlive it; null when it could not be created (the user has
// been told why), and the program must end.
std::unique_ptr<CMainFrame> CreateMainFrame(CVcmCommand& link, CParamDescFile& model);

}  // namespace app
