#pragma once
// Start-up of the program, shared by the program itself and the screenshot tool.

#include <memory>

class QApplication;
class CMainFrame;

namespace app {

// The application id and names, the framework-state key (cleared: every run starts
// with the default layout), the language and the program icon. Call once, right
// after the QApplication exists.
void ConfigureApplication(QApplication& application);

// Creates and shows the main frame; null when it could not be created (the user
// has been told why), and the program must end.
std::unique_ptr<CMainFrame> CreateMainFrame();

}  // namespace app
