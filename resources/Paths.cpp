#include "resources/Paths.h"

#include <mutex>

#include "platform/FileSystem.h"
#include "platform/Journaling.h"

namespace res {
namespace {

constexpr const char* kPackageFolder = "drive-setting/";

std::mutex g_lock;  // the overrides are read from worker threads (the CLI's drives)
std::string g_override;
std::string g_systemOverride;

std::string WithSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

// The link itself: a dangling link or a folder in the way is still "there", so
// it is reported rather than silently replaced by another copy.
bool Exists(const std::string& path) { return platform::InspectLink(path).Exists(); }

bool IsFolder(const std::string& path) { return platform::Inspect(path).kind == platform::PathKind::Folder; }

// The installed share folder: the program's folder's parent + share/drive-setting/.
// Lexical, which is sound because the system names the program's real file.
std::string InstalledShareFolder(const std::string& programFolder) {
  std::string parent = programFolder;
  if (!parent.empty() && parent.back() == '/') parent.pop_back();
  const size_t slash = parent.rfind('/');
  parent = (slash == std::string::npos || parent == "." || parent == "..") ? programFolder + "../"
                                                                           : parent.substr(0, slash + 1);
  return parent + "share/" + kPackageFolder;
}

}  // namespace

std::string ProgramFolder() {
  {
    std::lock_guard<std::mutex> guard(g_lock);
    if (!g_override.empty()) return g_override;
  }
  const std::string path = platform::ProgramFile();
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

std::string PathBesideProgram(const std::string& name) {
  std::string relative = name;
  for (char& c : relative) {
    if (c == '\\') c = '/';
  }
  if (platform::IsAbsolutePath(relative)) return relative;
  while (relative.rfind("./", 0) == 0) relative.erase(0, 2);
  return ProgramFolder() + relative;
}

void OverrideProgramFolder(const std::string& folder) {
  std::lock_guard<std::mutex> guard(g_lock);
  g_override = WithSlash(folder);
}

bool IsInstalled() {
  const std::string program = ProgramFolder();
  // A description file beside the program always wins: a build folder, or an
  // unpacked copy run from where it was unpacked.
  if (Exists(program + "ParamDefault.xml")) return false;
  return IsFolder(InstalledShareFolder(program));
}

std::string DataFolder() {
  const std::string program = ProgramFolder();
  return IsInstalled() ? InstalledShareFolder(program) : program;
}

std::string DataFilePath(const std::string& name) {
  std::string beside = PathBesideProgram(name);
  if (!IsInstalled()) return beside;
  const std::string program = ProgramFolder();
  // PathBesideProgram keeps an absolute name; only a name inside the program's
  // folder moves to the share folder.
  if (beside.compare(0, program.size(), program) != 0) return beside;
  return InstalledShareFolder(program) + beside.substr(program.size());
}

std::string UserConfigFolder() {
  const std::string base = platform::UserSettingsBase();
  return base.empty() ? std::string() : WithSlash(base) + kPackageFolder;
}

std::string SystemConfigFolder() {
  {
    std::lock_guard<std::mutex> guard(g_lock);
    if (!g_systemOverride.empty()) return g_systemOverride;
  }
  const std::string base = platform::SystemSettingsBase();
  return base.empty() ? std::string() : WithSlash(base) + kPackageFolder;
}

void OverrideSystemConfigFolder(const std::string& folder) {
  std::lock_guard<std::mutex> guard(g_lock);
  g_systemOverride = WithSlash(folder);
}

bool SettingsBesideProgram() { return !IsInstalled() && platform::MayKeepFilesIn(ProgramFolder()); }

std::string JournalFolder() {
  const std::optional<std::string> chosen = platform::Environment(kJournalFolderVariable);
  if (chosen && !chosen->empty()) return WithSlash(*chosen);
  const SettingsFile config = LocateSettingsFile("Config.ini");
  const std::string userConfig = UserConfigFolder();
  // Data, not settings: kept out of the per-user settings folder.
  if (userConfig.empty() || config.path.compare(0, userConfig.size(), userConfig) != 0) {
    return config.path.substr(0, config.path.rfind('/') + 1);
  }
  const std::string base = platform::UserDataBase();
  return base.empty() ? std::string() : WithSlash(base) + kPackageFolder;
}

SettingsFile LocateSettingsFile(const std::string& name) {
  const std::string beside = PathBesideProgram(name);
  const std::string userFolder = UserConfigFolder();
  // Without a home there is nowhere of the user's own: the old place still works
  // where it is writable.
  if (userFolder.empty() || SettingsBesideProgram()) return {beside, Exists(beside) ? beside : std::string()};
  const std::string user = userFolder + name;
  if (Exists(user)) return {user, user};
  const std::string system = SystemConfigFolder();
  for (const std::string& other : {beside, system.empty() ? std::string() : system + name}) {
    if (!other.empty() && Exists(other)) return {user, other};
  }
  return {user, std::string()};
}

}  // namespace res
