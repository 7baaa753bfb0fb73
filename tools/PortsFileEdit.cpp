#include "tools/PortsFileEdit.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <fstream>
#include <sstream>

namespace portsfile {
namespace {

// Whether `line` is an entry (not a comment) for COM<number>.
bool IsEntryFor(const std::string& line, unsigned number) {
  size_t i = line.find_first_not_of(" \t");
  if (i == std::string::npos || line.size() < i + 3) return false;
  for (const char letter : {'c', 'o', 'm'}) {
    if (std::tolower(static_cast<unsigned char>(line[i])) != letter) return false;
    ++i;
  }
  size_t digitsEnd = i;
  while (digitsEnd < line.size() && std::isdigit(static_cast<unsigned char>(line[digitsEnd]))) {
    ++digitsEnd;
  }
  if (digitsEnd == i || digitsEnd - i > 6) return false;
  if (std::stoul(line.substr(i, digitsEnd - i)) != number) return false;
  const size_t equals = line.find_first_not_of(" \t", digitsEnd);
  return equals != std::string::npos && line[equals] == '=';
}

}  // namespace

std::string WithoutEntry(const std::string& text, unsigned number) {
  std::istringstream lines(text);
  std::string line;
  std::string kept;
  while (std::getline(lines, line)) {
    if (IsEntryFor(line, number)) continue;
    kept += line;
    kept += '\n';
  }
  return kept;
}

std::string WithoutOwnEntry(const std::string& text, unsigned number, const std::string& path) {
  std::istringstream lines(text);
  std::string line;
  std::string kept;
  while (std::getline(lines, line)) {
    if (IsEntryFor(line, number)) {
      const std::string value = line.substr(line.find('=') + 1);
      const size_t begin = value.find_first_not_of(" \t");
      const size_t end = value.find_last_not_of(" \t\r");
      if (begin != std::string::npos && value.substr(begin, end - begin + 1) == path) continue;
    }
    kept += line;
    kept += '\n';
  }
  return kept;
}

std::string WithEntry(const std::string& text, unsigned number, const std::string& path) {
  return WithoutEntry(text, number) + "COM" + std::to_string(number) + "=" + path + "\n";
}

bool ReadText(const std::string& path, std::string& text) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  std::ostringstream content;
  content << file.rdbuf();
  text = content.str();
  return true;
}

bool WriteTextAtomically(const std::string& path, const std::string& text) {
  std::string pattern = path + ".XXXXXX";
  const int fd = mkstemp(pattern.data());
  if (fd < 0) return false;
  size_t done = 0;
  bool ok = true;
  while (done < text.size()) {
    const ssize_t wrote = write(fd, text.data() + done, text.size() - done);
    if (wrote <= 0) {
      ok = false;
      break;
    }
    done += static_cast<size_t>(wrote);
  }
  // mkstemp creates the file private; a ports file is read by the user's programs.
  fchmod(fd, 0644);
  if (close(fd) != 0) ok = false;
  if (ok && rename(pattern.c_str(), path.c_str()) != 0) ok = false;
  if (!ok) unlink(pattern.c_str());
  return ok;
}

bool Update(const std::string& path, const std::function<std::string(const std::string&)>& edit) {
  // The file itself is replaced by a rename, so its folder carries the lock.
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const int lock = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (lock < 0) return false;
  while (flock(lock, LOCK_EX) != 0) {
    if (errno != EINTR) {
      close(lock);
      return false;
    }
  }
  std::string text;
  (void)ReadText(path, text);  // none yet: the first line starts it
  const std::string edited = edit(text);
  const bool written = edited == text || WriteTextAtomically(path, edited);
  close(lock);  // lets the next drive in
  return written;
}

}  // namespace portsfile
