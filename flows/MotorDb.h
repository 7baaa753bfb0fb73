#pragma once
// The two main-frame commands around motor DB command files: "Import Motor DB"
// sends a file's commands to the drive with progress, then verifies and saves the
// drive and motor parameters; "Export Motor DB" reads parameters 0 to 99 and writes
// them as such a file. Both run from the file dialog to the final message through
// the frame's prompt, so they run headless in tests.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "flows/Outcome.h"
#include "flows/Prompt.h"

class CFrameLogic;
class CParamDescFile;
class CVcmFile;

// Sends the file's commands from its cursor on through the write gate, with "VMP"
// and "SMP" after each "MDB". Before anything is sent the rest of the file is
// checked: a line that is no well-formed command (CVcmFile::FindBadLine) or a value
// the description refuses stops it with a message naming the line (FileError),
// and the file's questions (a guarded raise, a read-only parameter) are asked in
// one box. A failed transaction is reported through the frame's error report and
// ends the run; so does a cancel seen at PollCancel or `cancelled`, looked at before
// each command, before the verify and save after an MDB and after the last command.
// A run that stops after sending something tells the user the line it reached and
// up to which line a save command of the file put it into flash. Done when every
// command was accepted; `sentAny` tells whether anything reached the drive.
[[nodiscard]] Outcome RunMotorDbCommands(CVcmFile& file, CProgInterface* progress, CFrameLogic& frame,
                                         const CParamDescFile& model, const std::function<bool()>& cancelled = {},
                                         bool* sentAny = nullptr);

// Command 32784. A file made for another drive model is refused before anything
// is sent (FileError). Done when every command was accepted and the closing verifies and
// saves put the parameters into flash; only then is "Downloading motor DB file is
// done." shown (with how many values of status, reserved or hidden parameters were
// left out, and how many for addresses the description lacks were sent as written),
// otherwise the user is told they are not in flash. A file that cannot be read,
// is over CVcmFile::kMaxFileBytes, has no version line or is damaged is a file
// error. `cancelled` (Ctrl-C) is looked at as RunMotorDbCommands does and before
// each closing verify and save. Once the file is taken, the view reads the drive
// again however the import ends, while connected.
[[nodiscard]] Outcome ImportMotorDb(CFrameLogic& frame, const CParamDescFile& model,
                                    const std::function<bool()>& cancelled = {});

// Command 32785. Done when the file was written with every address and "Saving
// motor DB to file is done." was shown; DriveRefused when addresses had to be left
// out (the file is written, and the user is told which). `cancelled` is asked
// before each read: true ends the export with the target untouched.
[[nodiscard]] Outcome ExportMotorDb(CFrameLogic& frame, const std::function<bool()>& cancelled = {});

// Open and save dialogs of motor DB files.
FileDialogSpec MotorDbFileDialog(bool save);

// Whether a file's version line names the drive's version: at least up to and
// including "ver." (the whole version when it has none), and agreeing, without
// regard to case, as far as both go. An empty drive version (never read) agrees.
bool MotorDbVersionMatches(const std::string& driveVersion, const std::string& fileVersion);

// The version line an export writes for a drive version: cut after "ver." and three
// more number groups; without "ver.", the whole version; at most 99 characters; and
// always a line that an import reads back as the version (never empty, never a
// bracket line), so that the first "mad" line is never taken for the version.
std::string MotorDbExportVersionLine(const std::string& driveVersion);

// The bytes of an exported file: the version line, then a "mad"/"mda" pair per
// (address, value), then "[END]", each line followed by an empty line, CR LF.
std::string MotorDbExportText(const std::string& versionLine, const std::vector<std::pair<int32_t, int32_t>>& values);

// Addresses as short text: "3, 7-9, 12".
std::string MotorDbAddressList(const std::vector<int32_t>& addresses);

// The export's writer: the whole file replaces the target in one step once every
// parameter was read, so an abandoned or failed export leaves an existing file as
// it was.
class CServoDBFile {
 public:
  // Checks before the drive is read that the target can be written: a missing
  // file in a writable folder, or a writable file not marked read-only.
  [[nodiscard]] bool Create(const std::string& target);
  // Replaces the target with the whole content in one step; false, with the old
  // file untouched, on any failure.
  [[nodiscard]] bool Commit(const std::string& bytes);

 private:
  std::string m_target;
};
