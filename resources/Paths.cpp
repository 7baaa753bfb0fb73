#include "resources/Paths.h"

#include <limits.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <mutex>
#include <vector>

namespace res {
namespace {

constexpr const char* kPackageFolder = "drive-setting/";
constexpr const char* kDefaultSystemFolder = "/etc/drive-setting/";

std::mutex g_lock;  // the overrides are read from worker threads (the CLI's drives)
std::string g_override;
std::string g_systemOverride;

std::string WithSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

// lstat, not stat: a dangling link or a folder in the way is still "there", so
// it is reported rather than silently replaced by another copy.
bool Exists(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0;
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The installed share folder: the program's folder's parent + share/drive-setting/.
// Lexical, which is sound because /proc/self/exe already names the real file.
std::string InstalledShareFolder(const std::string& programFolder) {
  std::string parent = programFolder;
  if (!parent.empty() && parent.back() == '/') parent.pop_back();
  const size_t slash = parent.rfind('/');
  parent = (slash == std::string::npos || parent == "." || parent == "..") ? programFolder + "../"
                                                                          : parent.substr(0, slash + 1);
  return parent + "share/" + kPackageFolder;
}

std::string HomeFolder() {
  const char* home = getenv("HOME");
  if (home != nullptr && home[0] == '/') return home;
  std::vector<char> buffer(16384);
  passwd entry {};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr && found->pw_dir[0] == '/') {
    return found->pw_dir;
  }
  return std::string();
}

}  // namespace

std::string ProgramFolder() {
  {
    std::lock_guard<std::mutex> guard(g_lock);
    if (!g_override.empty()) return g_override;
  }
  char buffer[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length <= 0) return "./";
  std::string path(buffer, static_cast<size_t>(length));
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

std::string PathBesideProgram(const std::string& name) {
  std::string relative = name;
  for (char& c : relative) {
    if (c == '\\') c = '/';
  }
  if (!relative.empty() && relative[0] == '/') return relative;
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
  const std::string beside = PathBesideProgram(name);
  if (!IsInstalled()) return beside;
  const std::string program = ProgramFolder();
  // PathBesideProgram keeps an absolute name; only a name inside the program's
  // folder moves to the share folder.
  if (beside.compare(0, program.size(), program) != 0) return beside;
  return InstalledShareFolder(program) + beside.substr(program.size());
}

std::string UserConfigFolder() {
  const char* xdg = getenv("XDG_CONFIG_HOME");
  // A relative value is invalid and must be ignored.
  if (xdg != nullptr && xdg[0] == '/') return WithSlash(xdg) + kPackageFolder;
  const std::string home = HomeFolder();
  return home.empty() ? std::string() : WithSlash(home) + ".config/" + kPackageFolder;
}

std::string SystemConfigFolder() {
  std::lock_guard<std::mutex> guard(g_lock);
  return g_systemOverride.empty() ? std::string(kDefaultSystemFolder) : g_systemOverride;
}

void OverrideSystemConfigFolder(const std::string& folder) {
  std::lock_guard<std::mutex> guard(g_lock);
  g_systemOverride = WithSlash(folder);
}

SettingsFile LocateSettingsFile(const std::string& name) {
  const std::string beside = PathBesideProgram(name);
  const std::string userFolder = UserConfigFolder();
  // Without a home there is nowhere of the user's own: the old place still works
  // where it is writable.
  if (!IsInstalled() || userFolder.empty()) return {beside, Exists(beside) ? beside : std::string()};
  const std::string user = userFolder + name;
  if (Exists(user)) return {user, user};
  for (const std::string& other : {beside, SystemConfigFolder() + name}) {
    if (Exists(other)) return {user, other};
  }
  return {user, std::string()};
}

}  // namespace res
