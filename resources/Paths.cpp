#include "resources/Paths.h"

#include <limits.h>
#include <unistd.h>

namespace res {
namespace {
std::string g_override;
}

std::string ProgramFolder() {
  if (!g_override.empty()) return g_override;
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
  g_override = folder;
  if (!g_override.empty() && g_override.back() != '/') g_override += '/';
}

}  // namespace res
