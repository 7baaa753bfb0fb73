#include "TempDir.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>

#include "platform/FileSystem.h"

namespace {

namespace fs = std::filesystem;

// UTF-8 both ways, so a Korean user's temporary folder works on Windows too.
fs::path PathOf(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

std::string Utf8Of(const fs::path& path) {
  const std::u8string text = path.u8string();
  std::string utf8(text.begin(), text.end());
  if (fs::path::preferred_separator == '\\') {
    for (char& c : utf8) {
      if (c == '\\') c = '/';
    }
  }
  while (utf8.size() > 1 && utf8.back() == '/') utf8.pop_back();
  return utf8;
}

}  // namespace

TempDir::TempDir() {
  std::error_code error;
  const fs::path base = fs::temp_directory_path(error);  // $TMPDIR, else /tmp; %TMP% on Windows
  if (error) return;
  std::mt19937_64 random(std::random_device{}());
  for (int attempt = 0; attempt < 100; ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, "/dstest.%012llx", static_cast<unsigned long long>(random() >> 16));
    const std::string folder = Utf8Of(base) + name;
    // Made here and now, never one that was there already.
    if (fs::create_directory(PathOf(folder), error)) {
      fs::permissions(PathOf(folder), fs::perms::owner_all, error);
      m_path = folder;
      return;
    }
  }
}

TempDir::~TempDir() {
  if (m_path.empty()) return;
  std::error_code ignored;
  fs::remove_all(PathOf(m_path), ignored);
}

std::string TempDir::File(const std::string& name) const { return m_path + "/" + name; }

bool TempDir::Write(const std::string& name, const std::string& text) const {
  std::FILE* file = platform::OpenFile(File(name), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return (std::fclose(file) == 0) && written;
}

std::string TempDir::Read(const std::string& name) const {
  std::string text;
  platform::ReadFile(File(name), text);
  return text;
}

std::vector<std::string> TempDir::Names(const std::string& folder) const {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(PathOf(folder.empty() ? m_path : File(folder)), error)) {
    const std::u8string name = entry.path().filename().u8string();
    names.emplace_back(name.begin(), name.end());
  }
  std::sort(names.begin(), names.end());
  return names;
}
