#pragma once
// A fresh folder under $TMPDIR (or /tmp; %TMP% on Windows), removed with
// everything in it when the object goes away. Tests put Config.ini, ports files
// and drive files there.

#include <string>
#include <vector>

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder, without a closing '/' and with '/' between folders (Windows takes
  // them too), as UTF-8; empty if it could not be made.
  const std::string& Path() const { return m_path; }
  // Path() + "/" + name.
  std::string File(const std::string& name) const;
  // Writes `text` to File(name) as it is (binary). False when it cannot.
  bool Write(const std::string& name, const std::string& text) const;
  // What File(name) holds; empty when it cannot be read.
  std::string Read(const std::string& name) const;
  // The names in Path(), or in its `folder`, sorted, as the file system has them.
  std::vector<std::string> Names(const std::string& folder = "") const;

 private:
  std::string m_path;
};
