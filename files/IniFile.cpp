#include "files/IniFile.h"

#include "files/ConfigFile.h"
#include "platform/FileSystem.h"

CIniFile::CIniFile() = default;
CIniFile::~CIniFile() = default;

bool CIniFile::SetPath(const char* path) {
  if (path == nullptr) return false;
  return SetPath(std::string(path));
}

bool CIniFile::SetPath(const std::string& path) {
  path_ = path;
  snapshot_.reset();
  return true;
}

bool CIniFile::UseConfigFile() {
  path_.reset();
  snapshot_.reset();
  // Our paths have no length limit, so a deep program folder keeps its Config.ini beside it.
  path_ = files::ConfigFilePath();
  return true;
}

const std::string* CIniFile::GetPath() const { return path_ ? &*path_ : nullptr; }

const ini::IniDocument& CIniFile::Document() const {
  static const ini::IniDocument kEmpty;
  const platform::PathInfo info = path_ ? platform::Inspect(*path_) : platform::PathInfo{};
  if (info.kind != platform::PathKind::File) {
    snapshot_.reset();
    return kEmpty;
  }
  if (snapshot_ && snapshot_->stamp == info.stamp) return snapshot_->document;
  // Stamped with the state seen before reading: a change made while we read
  // shows up as a different stamp next time and is read then.
  std::string text;
  if (ini::ReadTextFile(*path_, text) != ini::LoadResult::Ok) {
    snapshot_.reset();
    return kEmpty;
  }
  snapshot_ = Snapshot{info.stamp, ini::IniDocument::Parse(text)};
  return snapshot_->document;
}

bool CIniFile::HasSection(const std::string& section) {
  buffer_.clear();
  if (!path_) return false;
  std::string joined;
  for (const std::string& line : Document().GetSectionLines(section)) {
    if (!joined.empty()) joined += '\0';
    joined += line;
  }
  buffer_ = ini::CutToBuffer(joined, kBufferSize);
  return !buffer_.empty();
}

bool CIniFile::HasKey(const std::string& section, const std::string& key) {
  buffer_.clear();
  if (!path_) return false;
  buffer_ = Document().GetString(section, key, "", kBufferSize);
  return !buffer_.empty();
}

int32_t CIniFile::GetInt(const std::string& section, const std::string& key, int32_t def) const {
  if (!path_) return def;
  return Document().GetInt(section, key, def);
}

std::string CIniFile::GetString(const std::string& section, const std::string& key,
                                const std::string& def, size_t bufferChars) const {
  if (!path_) return ini::CutToBuffer(def, bufferChars);
  return Document().GetString(section, key, def, bufferChars);
}

std::vector<std::string> CIniFile::GetSection(const std::string& section) const {
  if (!path_) return {};
  return Document().GetSectionLines(section);
}

bool CIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) const {
  return Update([&](ini::IniDocument& document) { return document.SetString(section, key, value); });
}

bool CIniFile::WriteInt(const std::string& section, const std::string& key, int32_t value) const {
  return Update([&](ini::IniDocument& document) { return document.SetInt(section, key, value); });
}

bool CIniFile::Update(const std::function<bool(ini::IniDocument&)>& edit) const {
  if (!path_) return false;
  snapshot_.reset();
  return ini::UpdateIniFile(*path_, edit);
}

bool CIniFile::WriteDocument(const ini::IniDocument& document) const {
  if (!path_) return false;
  snapshot_.reset();
  return ini::SaveIniFile(*path_, document);
}
