#include "files/FileReplace.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <string_view>

#include "files/TempFile.h"

namespace fileio {

namespace {

thread_local int g_lastError = 0;

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t put = write(fd, bytes.data(), bytes.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(put));
  }
  return true;
}

// A writer killed between making its temporary file and renaming it leaves the
// file behind. Hidden and named after its writer, it is never taken for data, but
// it would pile up: a later replace of the same file removes those whose writer
// process is gone. Ours are left alone (another thread may be writing one), and so
// are those of a process that runs or that we may not signal.
void RemoveLeftovers(const Place& place) {
  DIR* dir = opendir(place.folder.c_str());
  if (dir == nullptr) return;
  while (const dirent* entry = readdir(dir)) {
    if (LeftByGoneWriter(entry->d_name, place)) unlinkat(dirfd(dir), entry->d_name, 0);
  }
  closedir(dir);
}

}  // namespace

std::string ResolveTarget(const std::string& path) {
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  // Replace what the link points to, not the link itself.
  if (char* resolved = realpath(path.c_str(), nullptr)) {
    std::string target = resolved;
    std::free(resolved);
    return target;
  }
  // A link to a file not made yet: the file is made where the link points.
  std::string link(static_cast<size_t>(st.st_size > 0 ? st.st_size : PATH_MAX), '\0');
  const ssize_t length = readlink(path.c_str(), link.data(), link.size());
  if (length <= 0 || static_cast<size_t>(length) > link.size()) return path;
  link.resize(static_cast<size_t>(length));
  if (link.front() == '/') return link;
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? link : path.substr(0, slash + 1) + link;
}

bool CanReplace(const std::string& target) {
  struct stat st {};
  if (stat(target.c_str(), &st) != 0) return errno == ENOENT;
  // A file marked read-only stays as it is, as it would with an in-place write.
  // No write bit at all is a read-only mark that root honours too, like the
  // read-only attribute of the platform the files come from.
  return S_ISREG(st.st_mode) && access(target.c_str(), W_OK) == 0 && (st.st_mode & 0222) != 0;
}

bool CanWrite(const std::string& path) {
  g_lastError = 0;
  if (path.empty()) return false;
  const std::string target = ResolveTarget(path);
  if (!CanReplace(target)) return false;
  const Place place = PlaceOf(target, "/");
  if (place.base.empty()) return false;
  return access(place.folder.c_str(), W_OK | X_OK) == 0;
}

bool FolderTakesNoNewFiles(const std::string& path) {
  if (path.empty()) return false;
  const std::string target = ResolveTarget(path);
  struct stat st {};
  if (stat(target.c_str(), &st) != 0 || !CanReplace(target)) return false;
  const Place place = PlaceOf(target, "/");
  return !place.base.empty() && access(place.folder.c_str(), W_OK | X_OK) != 0;
}

int LastReplaceError() { return g_lastError; }

bool IsDiskFull(int error) { return error == ENOSPC || error == EDQUOT; }

bool ReplaceFile(const std::string& path, std::string_view bytes) {
  g_lastError = 0;
  if (path.empty()) return false;
  const std::string target = ResolveTarget(path);
  if (!CanReplace(target)) return false;
  struct stat st {};
  const bool exists = stat(target.c_str(), &st) == 0;

  const Place place = PlaceOf(target, "/");
  if (place.base.empty()) return false;

  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = NextTempName(place);
    fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0 && errno != EEXIST) {
      g_lastError = errno;
      return false;
    }
  }
  if (fd < 0) return false;

  bool ok = true;
  // The first step that fails says why; a full disk may show only at fsync or close.
  const auto step = [&ok](bool done) {
    if (ok && !done) g_lastError = errno;
    ok = ok && done;
  };
  if (exists) {
    if (fchown(fd, st.st_uid, st.st_gid) != 0) {
      // Not our file to give away; the new one stays ours, with the old permission bits.
    }
    step(fchmod(fd, st.st_mode & 07777) == 0);
  }
  if (ok) step(WriteAll(fd, bytes));
  if (ok) step(fsync(fd) == 0);
  step(close(fd) == 0);
  if (ok) step(rename(temp.c_str(), target.c_str()) == 0);
  if (!ok) {
    unlink(temp.c_str());
    return false;
  }
  // Make the rename itself durable; the new content is in place either way.
  const int dirFd = open(place.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    fsync(dirFd);
    close(dirFd);
  }
  RemoveLeftovers(place);
  return true;
}

}  // namespace fileio
