#include <dirent.h>
#include <fcntl.h>
#include <openssl/evp.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <ctime>

#include "platform/FileSystem.h"
#include "platform/Journaling.h"

namespace platform {
namespace {

// Closes a descriptor on every way out.
struct Fd {
  int fd = -1;
  ~Fd() {
    if (fd >= 0) close(fd);
  }
};

}  // namespace

std::string Sha256Hex(std::string_view bytes) {
  std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
  unsigned int length = 0;
  if (EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_sha256(), nullptr) != 1) return {};
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < length; ++i) {
    hex += kHex[digest[i] >> 4];
    hex += kHex[digest[i] & 15];
  }
  return hex;
}

int AppendLocked(const std::string& lockPath, const std::string& path, std::string_view bytes,
                 const std::function<std::string(uint64_t, char)>& beforeWrite) {
  Fd lock{open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)};
  if (lock.fd < 0) return errno;
  // Released by the close, also when this process is killed while it holds it.
  while (flock(lock.fd, LOCK_EX) != 0) {
    if (errno != EINTR) return errno;
  }
  std::string text;
  if (beforeWrite) {
    struct stat st {};
    const uint64_t size = stat(path.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
    char last = '\0';
    if (size > 0) {
      const Fd reader{open(path.c_str(), O_RDONLY | O_CLOEXEC)};
      if (reader.fd < 0 || pread(reader.fd, &last, 1, static_cast<off_t>(size - 1)) != 1) last = '\0';
    }
    text = beforeWrite(size, last);
  }
  text.append(bytes);
  Fd file{open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600)};
  if (file.fd < 0) return errno;
  ssize_t written = -1;
  do {
    written = write(file.fd, text.data(), text.size());
  } while (written < 0 && errno == EINTR);
  if (written < 0) return errno;
  // A short write leaves a torn line, which readers skip; it is a failure all the same.
  if (static_cast<size_t>(written) != text.size()) return ENOSPC;
  if (fsync(file.fd) != 0) return errno;
  return 0;
}

std::string ErrorText(int error) { return std::strerror(error); }

std::vector<std::string> ListFiles(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (const dirent* entry = readdir(dir)) {
    struct stat st {};
    if (fstatat(dirfd(dir), entry->d_name, &st, 0) == 0 && S_ISREG(st.st_mode)) names.emplace_back(entry->d_name);
  }
  closedir(dir);
  return names;
}

bool RemoveFile(const std::string& path) { return unlink(path.c_str()) == 0; }

bool RenameReplacing(const std::string& from, const std::string& to) { return rename(from.c_str(), to.c_str()) == 0; }

std::string UserName() {
  std::array<char, 16384> buffer{};
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_name != nullptr) {
    return found->pw_name;
  }
  return Environment("USER").value_or(std::string());
}

std::string HostName() {
  std::array<char, 256> name{};
  if (gethostname(name.data(), name.size() - 1) != 0) return {};
  return name.data();
}

int UtcOffsetMinutes(int64_t seconds) {
  const time_t at = static_cast<time_t>(seconds);
  std::tm local{};
  if (localtime_r(&at, &local) == nullptr) return 0;
  return static_cast<int>(local.tm_gmtoff / 60);
}

}  // namespace platform
