#pragma once
// INI text engine: reads and edits INI text the way the Windows private-profile
// functions do, so that files written by them and by us read the same.
//
// Reading rules
//  - Lines end with LF, CR LF or a lone CR; the last line may lack an end.
//    A UTF-8 byte order mark at the start is skipped (and kept on output).
//  - Blanks (space, tab, VT, FF, Ctrl-Z) around a line, a name or a value are
//    ignored. Blank lines are ignored.
//  - A line starting with '[' and holding a ']' opens a section; its name is the
//    text up to the first ']', without blanks. A '[' line without ']' is an
//    ordinary line of the current section.
//  - Any other line holding '=' is a key: the name is the text before the first
//    '=', the value the text after it. Lines without '=' (comments, junk) count
//    as lines of their section but are not keys.
//  - Lines before the first section belong to no section.
//  - Section and key names match without regard to ASCII case; names asked for
//    are trimmed the same way. With duplicates the first section and, within
//    it, the first key win, as with GetPrivateProfileString.
//  - A value enclosed in a pair of the same quotation marks (" or ') is read
//    without them.
//  - Integers: decimal, after optional blanks and one '+' or '-', as many digits
//    as follow; the result wraps modulo 2^32 like GetPrivateProfileInt (so
//    "4294967295" reads -1 and "2147483648" reads INT32_MIN). Text that does not
//    start with a number reads 0; a missing or empty value yields the default.
//    There is no "0x" form: "0x10" reads 0.
//
// Writing rules
//  - A key that exists (first match) has its line replaced in place, keeping
//    the key name as it was spelled; a new key goes after the last non-blank
//    line of its section; a new section goes at the end of the text. Written
//    lines end with CR LF; every other byte of the text stays as it was.
//  - A value that would not read back as itself (leading or trailing blanks, or
//    enclosed in a pair of quotes) is written inside double quotes, so it does.
//  - Names or values that would break the line structure (CR, LF, NUL; ']' in a
//    section name; '=' in a key name or a key name starting with '[') are
//    refused: the edit returns false and changes nothing.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ini {

// Parses a value the way GetPrivateProfileInt does (see above). `text` is the
// value as read, quotes already removed. Empty (after blanks) yields `def`.
int32_t ParseInt(std::string_view text, int32_t def);

// `text` cut so that it fits a buffer of `bufferChars` characters with its
// terminating zero: at most bufferChars - 1 characters, where a character is a
// UTF-8 sequence (a lead byte and its continuation bytes) or a single byte.
std::string CutToBuffer(std::string_view text, size_t bufferChars);

class IniDocument {
 public:
  IniDocument() = default;

  // Takes any bytes; never fails.
  static IniDocument Parse(std::string_view text);
  // The text again: byte for byte what was parsed, plus the edits made.
  std::string Serialize() const;

  bool Empty() const;

  // True when the section exists (first match) and holds at least one non-blank line.
  bool HasSection(std::string_view section) const;
  // All non-blank lines of the section, trimmed; key lines as "name=value" with
  // the value as written (quotes kept). Empty when the section does not exist.
  std::vector<std::string> GetSectionLines(std::string_view section) const;
  // Names of all sections in file order, duplicates included.
  std::vector<std::string> GetSectionNames() const;

  // True when the key exists (even with an empty value).
  bool HasKey(std::string_view section, std::string_view key) const;
  // The value without its quotes, cut to `bufferChars` - 1 characters; a
  // missing key yields `def`, cut the same way.
  std::string GetString(std::string_view section, std::string_view key, std::string_view def,
                        size_t bufferChars = SIZE_MAX) const;
  int32_t GetInt(std::string_view section, std::string_view key, int32_t def) const;

  // Creates or replaces section/key = value (rules above). False when refused.
  bool SetString(std::string_view section, std::string_view key, std::string_view value);
  // Decimal, "-" for negatives, no blanks or leading zeros.
  bool SetInt(std::string_view section, std::string_view key, int32_t value);

 private:
  enum class Kind : uint8_t { Blank, Header, Key, Other };
  enum class Eol : uint8_t { None, Lf, CrLf, Cr };
  // Kept small: a file of nothing but line ends is one Line per byte.
  struct Line {
    std::string text;                      // the line as it stands, without its line end
    size_t nameBegin = 0, nameSize = 0;    // section or key name in text, trimmed
    size_t valueBegin = 0, valueSize = 0;  // key value in text, trimmed, quotes kept
    Kind kind = Kind::Blank;
    Eol eol = Eol::None;
    std::string_view Name() const { return std::string_view(text).substr(nameBegin, nameSize); }
    std::string_view Value() const { return std::string_view(text).substr(valueBegin, valueSize); }
  };
  struct Section {
    bool hasHeader = false;  // false only for the lines before the first section
    Line header;
    std::vector<Line> body;
    // Lower-case key name -> index in body of its first occurrence.
    std::unordered_map<std::string, size_t> keys;
  };

  static Line MakeLine(std::string text, Eol eol);
  static std::string_view EolText(Eol eol);
  const Section* FindSection(std::string_view section) const;
  const Line* FindKey(std::string_view section, std::string_view key) const;
  void AddSection(Section section);
  void EnsureLastLineEnded();

  std::string m_bom;
  std::vector<Section> m_sections;                         // m_sections[0], when present, may be header-less
  std::unordered_map<std::string, size_t> m_sectionIndex;  // lower-case name -> first
};

// --- files ---------------------------------------------------------------

enum class LoadResult { Ok, Missing, Failed };

// Largest file we read; anything bigger is not an INI file of ours (the
// platform's own limit was once 64 KB), and parsing it would cost too much memory.
inline constexpr size_t kMaxIniFileBytes = size_t{1024} * 1024;

// Reads a regular file of at most kMaxIniFileBytes. Missing: the path names
// nothing (`text` empty). Failed: unreadable, not a regular file, too big.
LoadResult ReadTextFile(const std::string& path, std::string& text);

// Replaces the file with `bytes` atomically: a new file is written beside it,
// flushed to disk and renamed over the old one. A symbolic link is followed.
// An existing file keeps its permission bits; a read-only file is not replaced.
// On failure the old file is left untouched and false is returned.
bool WriteFileAtomic(const std::string& path, std::string_view bytes);

// Loads the file (missing: an empty document), lets `edit` change the document,
// and commits it atomically when the text changed. False when the file cannot
// be read, `edit` returns false, or the write fails; the file is then unchanged.
bool UpdateIniFile(const std::string& path, const std::function<bool(IniDocument&)>& edit);

// Writes a whole document over the file in one atomic step.
bool SaveIniFile(const std::string& path, const IniDocument& document);

}  // namespace ini
