#pragma once
// Everything a flow says to or asks of the user goes through this interface: message
// boxes, file dialogs and progress windows. The program implements it with widgets;
// tests answer from a script and record every text shown.

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "flows/ProgInterface.h"

enum class MsgIcon { None, Error, Warning, Exclamation, Information };
enum class MsgButtons { Ok, YesNo, CancelTryContinue };

// Button results, numbered as the drive-setting tools have always numbered them.
namespace btn {
enum : int {
  Ok = 1,
  Cancel = 2,
  Retry = 4,
  Yes = 6,
  No = 7,
  TryAgain = 10,
  Continue = 11,
};
}  // namespace btn

struct FileDialogSpec {
  std::vector<std::pair<std::string, std::string>> filters;  // (label, pattern such as "*.dpf")
  std::string defaultExtension;                              // without the dot
  bool save = false;                                         // save dialog: the folder must exist, replacing asks first
  bool fileMustExist = false;                                // open dialog: file and folder must exist
};

struct MessageSpec {
  std::string text;
  std::string caption;  // empty: the application title
  MsgIcon icon = MsgIcon::None;
  MsgButtons buttons = MsgButtons::Ok;
};

class CPromptInterface {
 public:
  virtual ~CPromptInterface() = default;
  // Shows a modal message box and returns the button pressed (btn::...).
  virtual int ShowMessage(const MessageSpec& message) = 0;
  // A file name chosen by the user; none when the dialog was cancelled.
  virtual std::optional<std::string> AskFileName(const FileDialogSpec& dialog) = 0;
  // A new, not yet opened progress reporter for a long operation.
  virtual std::unique_ptr<CProgInterface> CreateProgress() = 0;
};
