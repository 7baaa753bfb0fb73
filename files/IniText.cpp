#include "files/IniText.h"

#include "files/FileReplace.h"

#include <utility>

#include "platform/FileSystem.h"

namespace ini {
namespace {

bool IsBlank(char c) {
  // Ctrl-Z ends many old DOS text files and is taken as a blank, like the platform does.
  return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1a';
}

std::string_view Trim(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerName(std::string_view name) {
  std::string lower(Trim(name));
  for (char& c : lower) c = LowerAscii(c);
  return lower;
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

bool IsQuoted(std::string_view value) {
  return value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front();
}

std::string_view Unquote(std::string_view value) { return IsQuoted(value) ? value.substr(1, value.size() - 2) : value; }

// Values that reading would change (blanks trimmed, a quote pair removed) are
// written inside one more pair of quotes, so they read back as given.
std::string EncodeValue(std::string_view value) {
  const bool needsQuotes = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()) || IsQuoted(value));
  if (!needsQuotes) return std::string(value);
  std::string quoted;
  quoted.reserve(value.size() + 2);
  quoted += '"';
  quoted += value;
  quoted += '"';
  return quoted;
}

bool BreaksLine(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool ValidSectionName(std::string_view section) {
  return !BreaksLine(section) && section.find(']') == std::string_view::npos;
}

bool ValidKeyName(std::string_view key) {
  return !BreaksLine(key) && key.find('=') == std::string_view::npos && (key.empty() || key.front() != '[');
}

size_t Utf8SequenceLength(unsigned char lead) {
  if (lead >= 0xF0 && lead <= 0xF7) return 4;
  if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
  if (lead >= 0xC0) return 2;
  return 1;
}

const char kBom[] = "\xEF\xBB\xBF";

}  // namespace

int32_t ParseInt(std::string_view text, int32_t def) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  if (i == text.size()) return def;
  bool negative = false;
  if (text[i] == '-' || text[i] == '+') {
    negative = text[i] == '-';
    ++i;
  }
  // Unsigned arithmetic wraps modulo 2^32, which is what the platform's parser does.
  uint32_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = magnitude * 10u + static_cast<uint32_t>(text[i] - '0');
  }
  const uint32_t bits = negative ? 0u - magnitude : magnitude;
  return static_cast<int32_t>(bits);
}

std::string CutToBuffer(std::string_view text, size_t bufferChars) {
  if (bufferChars == 0) return {};
  const size_t limit = bufferChars - 1;
  size_t end = 0;
  for (size_t count = 0; end < text.size() && count < limit; ++count) {
    const size_t length = Utf8SequenceLength(static_cast<unsigned char>(text[end]));
    ++end;
    for (size_t k = 1; k < length && end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80; ++k) {
      ++end;
    }
  }
  return std::string(text.substr(0, end));
}

// --- IniDocument -------------------------------------------------------------

std::string_view IniDocument::EolText(Eol eol) {
  static constexpr std::string_view kTexts[] = {"", "\n", "\r\n", "\r"};
  return kTexts[static_cast<size_t>(eol)];
}

IniDocument::Line IniDocument::MakeLine(std::string text, Eol eol) {
  Line line;
  line.text = std::move(text);
  line.eol = eol;
  const std::string_view whole(line.text);
  const std::string_view trimmed = Trim(whole);
  // Offsets of a part of `trimmed` (a view into line.text) within line.text.
  const auto offset = [&](std::string_view part) { return static_cast<size_t>(part.data() - whole.data()); };
  if (trimmed.empty()) {
    line.kind = Kind::Blank;
  } else if (trimmed.front() == '[' && trimmed.find(']') != std::string_view::npos) {
    line.kind = Kind::Header;
    const std::string_view name = Trim(trimmed.substr(1, trimmed.find(']') - 1));
    line.nameBegin = offset(name);
    line.nameSize = name.size();
  } else if (const size_t equals = trimmed.find('='); equals != std::string_view::npos) {
    line.kind = Kind::Key;
    const std::string_view name = Trim(trimmed.substr(0, equals));
    const std::string_view value = Trim(trimmed.substr(equals + 1));
    line.nameBegin = offset(name);
    line.nameSize = name.size();
    line.valueBegin = offset(value);
    line.valueSize = value.size();
  } else {
    line.kind = Kind::Other;
  }
  return line;
}

IniDocument IniDocument::Parse(std::string_view text) {
  IniDocument document;
  size_t pos = 0;
  if (text.substr(0, 3) == kBom) {
    document.m_bom = kBom;
    pos = 3;
  }
  Section current;  // the lines before the first section header
  while (pos < text.size()) {
    const size_t end = text.find_first_of("\r\n", pos);
    std::string lineText(text.substr(pos, end == std::string_view::npos ? text.npos : end - pos));
    Eol eol = Eol::None;
    if (end == std::string_view::npos) {
      pos = text.size();
    } else if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') {
      eol = Eol::CrLf;
      pos = end + 2;
    } else {
      eol = text[end] == '\n' ? Eol::Lf : Eol::Cr;
      pos = end + 1;
    }
    Line line = MakeLine(std::move(lineText), eol);
    if (line.kind == Kind::Header) {
      if (current.hasHeader || !current.body.empty()) document.AddSection(std::move(current));
      current = Section();
      current.hasHeader = true;
      current.header = std::move(line);
    } else {
      if (line.kind == Kind::Key) current.keys.try_emplace(LowerName(line.Name()), current.body.size());
      current.body.push_back(std::move(line));
    }
  }
  if (current.hasHeader || !current.body.empty()) document.AddSection(std::move(current));
  return document;
}

std::string IniDocument::Serialize() const {
  size_t size = m_bom.size();
  for (const Section& section : m_sections) {
    if (section.hasHeader) size += section.header.text.size() + EolText(section.header.eol).size();
    for (const Line& line : section.body) size += line.text.size() + EolText(line.eol).size();
  }
  std::string out;
  out.reserve(size);
  out += m_bom;
  for (const Section& section : m_sections) {
    if (section.hasHeader) {
      out += section.header.text;
      out += EolText(section.header.eol);
    }
    for (const Line& line : section.body) {
      out += line.text;
      out += EolText(line.eol);
    }
  }
  return out;
}

bool IniDocument::Empty() const { return m_bom.empty() && m_sections.empty(); }

void IniDocument::AddSection(Section section) {
  if (section.hasHeader) m_sectionIndex.try_emplace(LowerName(section.header.Name()), m_sections.size());
  m_sections.push_back(std::move(section));
}

const IniDocument::Section* IniDocument::FindSection(std::string_view section) const {
  const auto found = m_sectionIndex.find(LowerName(section));
  return found == m_sectionIndex.end() ? nullptr : &m_sections[found->second];
}

const IniDocument::Line* IniDocument::FindKey(std::string_view section, std::string_view key) const {
  const Section* s = FindSection(section);
  if (s == nullptr) return nullptr;
  const auto found = s->keys.find(LowerName(key));
  return found == s->keys.end() ? nullptr : &s->body[found->second];
}

bool IniDocument::HasSection(std::string_view section) const {
  const Section* s = FindSection(section);
  if (s == nullptr) return false;
  for (const Line& line : s->body) {
    if (line.kind != Kind::Blank) return true;
  }
  return false;
}

std::vector<std::string> IniDocument::GetSectionLines(std::string_view section) const {
  std::vector<std::string> lines;
  const Section* s = FindSection(section);
  if (s == nullptr) return lines;
  for (const Line& line : s->body) {
    if (line.kind == Kind::Key) {
      std::string text(line.Name());
      text += '=';
      text += line.Value();
      lines.push_back(std::move(text));
    } else if (line.kind != Kind::Blank) {
      lines.emplace_back(Trim(line.text));
    }
  }
  return lines;
}

std::vector<std::string> IniDocument::GetSectionNames() const {
  std::vector<std::string> names;
  for (const Section& section : m_sections) {
    if (section.hasHeader) names.emplace_back(section.header.Name());
  }
  return names;
}

bool IniDocument::HasKey(std::string_view section, std::string_view key) const {
  return FindKey(section, key) != nullptr;
}

std::string IniDocument::GetString(std::string_view section, std::string_view key, std::string_view def,
                                   size_t bufferChars) const {
  const Line* line = FindKey(section, key);
  return CutToBuffer(line == nullptr ? def : Unquote(line->Value()), bufferChars);
}

int32_t IniDocument::GetInt(std::string_view section, std::string_view key, int32_t def) const {
  const Line* line = FindKey(section, key);
  return line == nullptr ? def : ParseInt(Unquote(line->Value()), def);
}

void IniDocument::EnsureLastLineEnded() {
  if (m_sections.empty()) return;
  Section& last = m_sections.back();
  Line* line = !last.body.empty() ? &last.body.back() : (last.hasHeader ? &last.header : nullptr);
  if (line != nullptr && line->eol == Eol::None) line->eol = Eol::CrLf;
}

bool IniDocument::SetString(std::string_view section, std::string_view key, std::string_view value) {
  const std::string_view sectionName = Trim(section);
  const std::string_view keyName = Trim(key);
  if (!ValidSectionName(sectionName) || !ValidKeyName(keyName) || BreaksLine(value)) return false;
  const std::string encoded = EncodeValue(value);

  const auto found = m_sectionIndex.find(LowerName(sectionName));
  if (found == m_sectionIndex.end()) {
    EnsureLastLineEnded();
    Section fresh;
    fresh.hasHeader = true;
    fresh.header = MakeLine("[" + std::string(sectionName) + "]", Eol::CrLf);
    fresh.body.push_back(MakeLine(std::string(keyName) + "=" + encoded, Eol::CrLf));
    fresh.keys.emplace(LowerName(keyName), 0);
    AddSection(std::move(fresh));
    return true;
  }

  Section& s = m_sections[found->second];
  const std::string lowerKey = LowerName(keyName);
  if (const auto keyIt = s.keys.find(lowerKey); keyIt != s.keys.end()) {
    Line& line = s.body[keyIt->second];
    // The name keeps the spelling the file had; it matched keyName, so it is valid.
    line = MakeLine(std::string(line.Name()) + "=" + encoded, Eol::CrLf);
    return true;
  }

  // After the last non-blank line, so blank lines that separate sections stay where they are.
  size_t insertAt = s.body.size();
  while (insertAt > 0 && s.body[insertAt - 1].kind == Kind::Blank) --insertAt;
  Line& previous = insertAt > 0 ? s.body[insertAt - 1] : s.header;
  if (previous.eol == Eol::None) previous.eol = Eol::CrLf;  // only the file's last line may lack one
  s.body.insert(s.body.begin() + static_cast<std::ptrdiff_t>(insertAt),
                MakeLine(std::string(keyName) + "=" + encoded, Eol::CrLf));
  // Only blank lines followed the insertion point, and blank lines are never keys,
  // so the indices already in the map stay valid.
  s.keys.emplace(lowerKey, insertAt);
  return true;
}

bool IniDocument::SetInt(std::string_view section, std::string_view key, int32_t value) {
  return SetString(section, key, std::to_string(value));
}

// --- files -------------------------------------------------------------------

LoadResult ReadTextFile(const std::string& path, std::string& text) {
  switch (platform::ReadFile(path, text, kMaxIniFileBytes)) {
    case platform::ReadResult::Ok: return LoadResult::Ok;
    case platform::ReadResult::Missing: return LoadResult::Missing;
    default: return LoadResult::Failed;
  }
}

bool WriteFileAtomic(const std::string& path, std::string_view bytes) { return fileio::ReplaceFile(path, bytes); }

bool UpdateIniFile(const std::string& path, const std::function<bool(IniDocument&)>& edit) {
  std::string text;
  const LoadResult loaded = ReadTextFile(path, text);
  if (loaded == LoadResult::Failed) return false;
  IniDocument document = IniDocument::Parse(text);
  if (!edit(document)) return false;
  std::string updated = document.Serialize();
  if (updated == text && (loaded == LoadResult::Ok || updated.empty())) return true;
  return WriteFileAtomic(path, updated);
}

bool SaveIniFile(const std::string& path, const IniDocument& document) {
  return WriteFileAtomic(path, document.Serialize());
}

}  // namespace ini
