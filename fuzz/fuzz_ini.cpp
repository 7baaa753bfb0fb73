// Feeds arbitrary bytes to the INI engine: parse, every read, edits, and the
// text round trip. Input: INI text, optionally followed by 0xFF and an edit
// "section 0xFF key 0xFF value" applied on top of edits of every key found.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "files/IniText.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

std::vector<std::string_view> Split(std::string_view text, char separator, size_t parts) {
  std::vector<std::string_view> out;
  while (out.size() + 1 < parts) {
    const size_t at = text.find(separator);
    if (at == std::string_view::npos) break;
    out.push_back(text.substr(0, at));
    text.remove_prefix(at + 1);
  }
  out.push_back(text);
  return out;
}

// An accepted edit must read back, and survive a trip through the text with the
// structure unchanged; a refused one must change nothing.
void EditAndCheck(ini::IniDocument& document, std::string_view section, std::string_view key, std::string_view value) {
  const std::string before = document.Serialize();
  if (!document.SetString(section, key, value)) {
    Check(document.Serialize() == before);
    return;
  }
  Check(document.GetString(section, key, "\x01") == value);
  const std::string text = document.Serialize();
  const ini::IniDocument reread = ini::IniDocument::Parse(text);
  Check(reread.Serialize() == text);
  Check(reread.GetString(section, key, "\x01") == value);
  Check(reread.GetSectionNames() == document.GetSectionNames());
  Check(reread.HasSection(section));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string_view> parts = Split(input, '\xFF', 4);
  const std::string_view text = parts[0];

  ini::IniDocument document = ini::IniDocument::Parse(text);
  Check(document.Serialize() == text);

  const std::vector<std::string> sections = document.GetSectionNames();
  std::vector<std::pair<std::string, std::string>> keys;
  for (const std::string& section : sections) {
    const std::vector<std::string> lines = document.GetSectionLines(section);
    Check(document.HasSection(section) == !lines.empty());
    for (const std::string& line : lines) {
      const size_t equals = line.find('=');
      if (equals == std::string::npos) continue;
      const std::string key = line.substr(0, equals);
      if (!document.HasKey(section, key)) continue;  // a line of a later duplicate section
      const std::string full = document.GetString(section, key, "");
      const std::string cut = document.GetString(section, key, "", 100);
      Check(cut.size() <= full.size() && full.compare(0, cut.size(), cut) == 0);
      Check(document.GetString(section, key, "", 1).empty());
      (void)document.GetInt(section, key, 0);
      (void)ini::ParseInt(full, -1);
      keys.emplace_back(section, key);
    }
  }

  for (const auto& [section, key] : keys) EditAndCheck(document, section, key, "fz");
  if (parts.size() == 4) {
    EditAndCheck(document, parts[1], parts[2], parts[3]);
    (void)ini::ParseInt(parts[3], 7);
    (void)ini::CutToBuffer(parts[3], 5);
  }
  EditAndCheck(document, "NEW", "key", "value");
  return 0;
}
