#pragma once
// Message boxes size themselves by their text and buttons alone; a window manager
// then cuts a caption longer than that. Every box the program shows is widened,
// as it first shows, to hold its caption whole.

class QApplication;

namespace boxwidth {

// Once, after the application exists.
void Install(QApplication& application);

}  // namespace boxwidth
