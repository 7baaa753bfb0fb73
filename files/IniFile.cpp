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
  m_path = path;
  m_snapshot.reset();
  return true;
}

bool CIniFile::UseConfigFile() {
  m_path.reset();
  m_snapshot.reset();
  // Our paths have no length limit, so a deep program folder keeps its Config.ini beside it.
  m_path = files::ConfigFilePath();
  return true;
}

const std::string* CIniFile::GetPath() const { return m_path ? &*m_path : nullptr; }

const ini::IniDocument& CIniFile::Document() const {
  static const ini::IniDocument kEmpty;
  const platform::PathInfo info = m_path ? platform::Inspect(*m_path) : platform::PathInfo{};
  if (info.kind != platform::PathKind::File) {
    m_snapshot.reset();
    return kEmpty;
  }
  if (m_snapshot && m_snapshot->stamp == info.stamp) return m_snapshot->document;
  // Stamped with the state seen before reading: a change made while we read
  // shows up as a different stamp next time and is read then.
  std::string text;
  if (ini::ReadTextFile(*m_path, text) != ini::LoadResult::Ok) {
    m_snapshot.reset();
    return kEmpty;
  }
  m_snapshot = Snapshot{info.stamp, ini::IniDocument::Parse(text)};
  return m_snapshot->document;
}

bool CIniFile::HasSection(const std::string& section) {
  m_buffer.clear();
  if (!m_path) return false;
  std::string joined;
  for (const std::string& line : Document().GetSectionLines(section)) {
    if (!joined.empty()) joined += '\0';
    joined += line;
  }
  m_buffer = ini::CutToBuffer(joined, kBufferSize);
  return !m_buffer.empty();
}

bool CIniFile::HasKey(const std::string& section, const std::string& key) {
  m_buffer.clear();
  if (!m_path) return false;
  m_buffer = Document().GetString(section, key, "", kBufferSize);
  return !m_buffer.empty();
}

int32_t CIniFile::GetInt(const std::string& section, const std::string& key, int32_t def) const {
  if (!m_path) return def;
  return Document().GetInt(section, key, def);
}

std::string CIniFile::GetString(const std::string& section, const std::string& key, const std::string& def,
                                size_t bufferChars) const {
  if (!m_path) return ini::CutToBuffer(def, bufferChars);
  return Document().GetString(section, key, def, bufferChars);
}

std::vector<std::string> CIniFile::GetSection(const std::string& section) const {
  if (!m_path) return {};
  return Document().GetSectionLines(section);
}

bool CIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) const {
  return Update([&](ini::IniDocument& document) { return document.SetString(section, key, value); });
}

bool CIniFile::WriteInt(const std::string& section, const std::string& key, int32_t value) const {
  return Update([&](ini::IniDocument& document) { return document.SetInt(section, key, value); });
}

bool CIniFile::Update(const std::function<bool(ini::IniDocument&)>& edit) const {
  if (!m_path) return false;
  m_snapshot.reset();
  return ini::UpdateIniFile(*m_path, edit);
}

bool CIniFile::WriteDocument(const ini::IniDocument& document) const {
  if (!m_path) return false;
  m_snapshot.reset();
  return ini::SaveIniFile(*m_path, document);
}
