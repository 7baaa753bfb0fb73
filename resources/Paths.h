#pragma once
// Where the program's files are. Two layouts:
//  - Build folder: the description files stand beside the program, and so do
//    Config.ini and the ports file, exactly as the program has always kept them.
//  - Installed: the description files are in ../share/drive-setting/ from the
//    program's folder (/usr/bin -> /usr/share/drive-setting). That tree is
//    read-only, so Config.ini and the ports file are each user's own, in
//    $XDG_CONFIG_HOME/drive-setting/ (default ~/.config/drive-setting/), with a
//    copy beside the program or one an administrator placed in /etc/drive-setting/
//    read when the user has none yet. On Windows the same layout with the user's
//    %APPDATA%\drive-setting\ and the administrator's %PROGRAMDATA%\drive-setting\.
// Paths come back with '/' between folders, which Windows takes as well.

#include <string>

namespace res {

// The folder of the running program file, with a closing '/'. Falls back to the
// current directory ("./") when the program's own path cannot be found.
std::string ProgramFolder();

// `name` resolved against the program's folder. A leading ".\" or "./" is
// dropped, backslashes become slashes; an absolute name ("/...", and on Windows
// "C:/..." or "\\server\...") is kept as it is.
std::string PathBesideProgram(const std::string& name);

// Tests point the program's folder somewhere else; an empty text restores it.
void OverrideProgramFolder(const std::string& folder);

// True in the installed layout: no ParamDefault.xml beside the program, and a
// share/drive-setting/ folder beside the program's folder.
bool IsInstalled();

// The folder of the description files, with a closing '/': the program's folder,
// or the installed share folder.
std::string DataFolder();
// A description file's path, named as PathBesideProgram takes it, in DataFolder().
std::string DataFilePath(const std::string& name);

// The user's settings folder with a closing '/': $XDG_CONFIG_HOME/drive-setting/
// when that is an absolute path, else ~/.config/drive-setting/ ($HOME, else the
// account's home); %APPDATA%/drive-setting/ on Windows. Empty when no home can
// be found.
std::string UserConfigFolder();

// The administrator's folder, /etc/drive-setting/ (%PROGRAMDATA%/drive-setting/
// on Windows; empty when the system names none); tests point it elsewhere, an
// empty text restores it.
std::string SystemConfigFolder();
void OverrideSystemConfigFolder(const std::string& folder);

// True when Config.ini and ports are kept beside the program: not installed, and
// the program's folder is one the user may write (an unpacked copy on a stick,
// a build folder). An installed program, or a copy in a folder that is not the
// user's (Program Files, read-only media), keeps them in UserConfigFolder().
bool SettingsBesideProgram();

// One settings file (Config.ini, ports) in the layout the program runs in.
struct SettingsFile {
  std::string path;      // where the program keeps it and writes it
  std::string readFrom;  // the existing copy to read: `path`, a copy to take over
                         // on first use, or empty when there is none anywhere
};
// Beside the program when SettingsBesideProgram() (or no user folder can be
// found). Otherwise the user's file; while the user has none, the one beside the
// program, else the administrator's.
SettingsFile LocateSettingsFile(const std::string& name);

// The folder of the journal of writes and its snapshots, with a closing '/':
// beside Config.ini, except when that is the user's settings folder, which holds
// settings only: then the user's data folder ($XDG_DATA_HOME/drive-setting/,
// %LOCALAPPDATA%/drive-setting/). The variable below, when set, names another
// (a plant's shared folder, a test's own). Empty when there is no such place.
inline constexpr const char* kJournalFolderVariable = "DRIVE_SETTING_JOURNAL_DIR";
std::string JournalFolder();

}  // namespace res
