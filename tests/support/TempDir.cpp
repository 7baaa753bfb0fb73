#include "TempDir.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>

TempDir::TempDir() {
  const char* base = getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/dstest.XXXXXX";
  if (mkdtemp(pattern.data())) m_path = pattern;
}

TempDir::~TempDir() {
  if (m_path.empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(m_path, ignored);
}

std::string TempDir::File(const std::string& name) const { return m_path + "/" + name; }

bool TempDir::Write(const std::string& name, const std::string& text) const {
  std::ofstream file(File(name), std::ios::binary | std::ios::trunc);
  file << text;
  return static_cast<bool>(file.flush());
}
