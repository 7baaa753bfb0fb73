#include "files/ConfigFile.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include "files/FileReplace.h"
#include "files/IniText.h"
#include "resources/Paths.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"

namespace files {
namespace {

constexpr const char* kConfigName = "Config.ini";
constexpr int kAsideNames = 9;

// mkdir -p. Folders made here are private to the user, as settings folders should be.
bool MakeFolders(const std::string& folder) {
  for (size_t slash = folder.find('/', 1); slash != std::string::npos; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  struct stat st {};
  return stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Renames without ever replacing what is at `to`.
bool RenameNoReplace(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without the flag: check, then rename; the window between the two
  // is only ours (the user's own folder).
  struct stat st {};
  if (lstat(to.c_str(), &st) == 0) {
    errno = EEXIST;
    return false;
  }
  return rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace

bool IsGarbageConfigText(const std::string& text) {
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    // Tab, LF, VT, FF, CR and Ctrl-Z are blanks and line ends to the INI reader.
    if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\v' && byte != '\f' && byte != '\r' &&
        byte != 0x1a) {
      return true;
    }
  }
  return false;
}

std::string ConfigFilePath() {
  const res::SettingsFile file = res::LocateSettingsFile(kConfigName);
  if (file.readFrom == file.path || !res::IsInstalled()) return file.path;
  const std::string folder = file.path.substr(0, file.path.rfind('/') + 1);
  const bool haveFolder = MakeFolders(folder);
  if (file.readFrom.empty()) return file.path;
  std::string text;
  // A copy that is no use is not taken over: the user starts with the defaults
  // instead of inheriting a file that would be set aside at every start.
  if (ini::ReadTextFile(file.readFrom, text) != ini::LoadResult::Ok || IsGarbageConfigText(text)) return file.path;
  if (haveFolder && fileio::ReplaceFile(file.path, text)) return file.path;
  return file.readFrom;
}

std::optional<std::string> SetAsideBadConfig() {
  const std::string path = ConfigFilePath();
  std::string text;
  const ini::LoadResult loaded = ini::ReadTextFile(path, text);
  if (loaded == ini::LoadResult::Missing) return std::nullopt;
  if (loaded == ini::LoadResult::Ok && !IsGarbageConfigText(text)) return std::nullopt;
  for (int n = 1; n <= kAsideNames; ++n) {
    const std::string aside = path + ".bad" + (n == 1 ? std::string() : "." + std::to_string(n));
    if (RenameNoReplace(path, aside)) return res::FormatString(ids::ConfigSetAside, {path, aside});
    if (errno != EEXIST && errno != ENOTEMPTY) break;
  }
  // Left in place: the reader takes what it can from it, or the defaults.
  return res::FormatString(ids::ConfigNotSetAside, {path});
}

}  // namespace files
