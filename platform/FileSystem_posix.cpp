#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Journaling.h"

namespace platform {
namespace {

bool IsMissing(int error) { return error == ENOENT || error == ENOTDIR; }

PathInfo InfoOf(int result, const struct stat& st) {
  PathInfo info;
  if (result != 0) {
    info.kind = IsMissing(errno) ? PathKind::Missing : PathKind::Unknown;
    return info;
  }
  if (S_ISREG(st.st_mode)) {
    info.kind = PathKind::File;
    info.stamp = {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino), static_cast<uint64_t>(st.st_size),
                  static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
                  static_cast<int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec};
  } else if (S_ISDIR(st.st_mode)) {
    info.kind = PathKind::Folder;
  } else if (S_ISLNK(st.st_mode)) {
    info.kind = PathKind::Link;
  } else {
    info.kind = PathKind::Other;
  }
  return info;
}

std::string HomeFolder() {
  const std::optional<std::string> home = Environment("HOME");
  if (home && IsAbsolutePath(*home)) return *home;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr && found->pw_dir[0] == '/') {
    return found->pw_dir;
  }
  return std::string();
}

}  // namespace

PathInfo Inspect(const std::string& path) {
  struct stat st {};
  const int result = stat(path.c_str(), &st);
  return InfoOf(result, st);
}

PathInfo InspectLink(const std::string& path) {
  struct stat st {};
  const int result = lstat(path.c_str(), &st);
  return InfoOf(result, st);
}

std::FILE* OpenFile(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

std::FILE* OpenRegularFile(const std::string& path, ReadResult& why, uint64_t& size) {
  // O_NONBLOCK: a FIFO picked by mistake must not hang the program on open.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    why = IsMissing(errno)                     ? ReadResult::Missing
          : errno == EMFILE || errno == ENFILE ? ReadResult::TooManyOpen
                                               : ReadResult::Failed;
    return nullptr;
  }
  struct stat st {};
  why = fstat(fd, &st) != 0 ? ReadResult::Failed : !S_ISREG(st.st_mode) ? ReadResult::NotAFile : ReadResult::Ok;
  std::FILE* file = why == ReadResult::Ok ? fdopen(fd, "rb") : nullptr;
  if (file == nullptr) {
    if (why == ReadResult::Ok) why = ReadResult::Failed;
    close(fd);
    return nullptr;
  }
  size = static_cast<uint64_t>(st.st_size);
  return file;
}

bool MakeFolder(const std::string& path) {
  if (mkdir(path.c_str(), 0700) == 0) return true;
  return errno == EEXIST && Inspect(path).kind == PathKind::Folder;
}

RenameResult RenameNoReplace(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return RenameResult::Done;
  if (errno == EEXIST || errno == ENOTEMPTY) return RenameResult::TargetExists;
  if (errno != EINVAL && errno != ENOSYS) return RenameResult::Failed;
  // A file system without the flag: check, then rename; the window between the two
  // is only ours (the user's own folder).
  if (InspectLink(to).kind != PathKind::Missing) return RenameResult::TargetExists;
  return rename(from.c_str(), to.c_str()) == 0 ? RenameResult::Done : RenameResult::Failed;
}

bool IsAbsolutePath(const std::string& path) { return !path.empty() && path[0] == '/'; }

std::string ProgramFile() {
  char buffer[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return length <= 0 ? std::string() : std::string(buffer, static_cast<size_t>(length));
}

std::optional<std::string> Environment(const char* name) {
  const char* value = getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

bool SetEnvironment(const char* name, const std::optional<std::string>& value) {
  return (value ? setenv(name, value->c_str(), 1) : unsetenv(name)) == 0;
}

std::string UserSettingsBase() {
  // A relative value is invalid and must be ignored.
  const std::optional<std::string> xdg = Environment("XDG_CONFIG_HOME");
  if (xdg && IsAbsolutePath(*xdg)) return *xdg;
  std::string home = HomeFolder();
  if (home.empty()) return home;
  if (home.back() != '/') home += '/';
  return home + ".config";
}

std::string UserDataBase() {
  const std::optional<std::string> xdg = Environment("XDG_DATA_HOME");
  if (xdg && IsAbsolutePath(*xdg)) return *xdg;
  std::string home = HomeFolder();
  if (home.empty()) return home;
  if (home.back() != '/') home += '/';
  return home + ".local/share";
}

std::string SystemSettingsBase() { return "/etc"; }

bool MayKeepFilesIn(const std::string& folder) {
  // A folder that is not there says nothing of the user's rights: the old place stays.
  return access(folder.c_str(), W_OK | X_OK) == 0 || errno == ENOENT;
}

long long ProcessId() { return getpid(); }

bool ProcessGone(long long pid) {
  if (pid <= 0 || pid > INT_MAX) return false;
  // EPERM: it runs, as another user.
  return kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

}  // namespace platform
