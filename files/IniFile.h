#pragma once
// CIniFile: accessor of one INI file (Config.ini, drive parameter files). It
// holds the path and a 100-character read buffer, answers whether a section or
// a key is present, and reads and writes values through the INI text engine.
// Callers create it as a local object for one operation.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "files/IniText.h"
#include "platform/FileSystem.h"

class CIniFile {
 public:
  // Size of the read buffer in characters, terminating zero included: a text
  // read into it keeps at most kBufferSize - 1 characters.
  static constexpr size_t kBufferSize = 100;

  CIniFile();
  virtual ~CIniFile();
  CIniFile(const CIniFile&) = delete;
  CIniFile& operator=(const CIniFile&) = delete;

  // Replaces the path with a copy of `path`. nullptr: nothing changes, false.
  bool SetPath(const char* path);
  bool SetPath(const std::string& path);
  // The Config.ini of the layout the program runs in (files/ConfigFile.h). Any
  // length of folder is accepted.
  bool UseConfigFile();
  // The path, or nullptr while none is set.
  const std::string* GetPath() const;

  // True when the file has the section with at least one line; the section's
  // lines (joined by '\0') go into the read buffer. No path: false, no file touched.
  bool HasSection(const std::string& section);
  // True when the key exists with a non-empty value; the value goes into the
  // read buffer. No path: false, no file touched.
  bool HasKey(const std::string& section, const std::string& key);
  // The read buffer: what the last HasSection or HasKey read (at most 99 characters).
  const std::string& GetBuffer() const { return m_buffer; }

  // Reads as GetPrivateProfileInt / GetPrivateProfileString do (rules in
  // IniText.h). No path, or a file that is missing or unreadable: the default.
  int32_t GetInt(const std::string& section, const std::string& key, int32_t def) const;
  std::string GetString(const std::string& section, const std::string& key, const std::string& def,
                        size_t bufferChars = kBufferSize) const;
  // All non-blank lines of the section; empty when it does not exist.
  std::vector<std::string> GetSection(const std::string& section) const;

  // Writes one key and commits the file atomically. False (file unchanged) when
  // there is no path, the name or value is refused, or the file cannot be
  // read or written.
  bool WriteString(const std::string& section, const std::string& key, const std::string& value) const;
  bool WriteInt(const std::string& section, const std::string& key, int32_t value) const;
  // Several edits in one atomic commit: loads the file (missing: empty), runs
  // `edit`, writes the result. Same failure rules as WriteString.
  bool Update(const std::function<bool(ini::IniDocument&)>& edit) const;
  // Replaces the whole file with `document` in one atomic step.
  bool WriteDocument(const ini::IniDocument& document) const;

 private:
  struct Snapshot {
    platform::FileStamp stamp;
    ini::IniDocument document;
  };

  // The parsed file, read again only when the file has changed on disk, so a
  // flow that asks many questions of one file parses it once.
  const ini::IniDocument& Document() const;

  std::optional<std::string> m_path;
  std::string m_buffer;
  mutable std::optional<Snapshot> m_snapshot;
};
