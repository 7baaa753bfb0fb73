#pragma once
// A fresh folder under $TMPDIR (or /tmp), removed with everything in it when the
// object goes away. Tests put Config.ini, ports files and drive files there.

#include <string>

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder, without a closing '/'; empty if it could not be made.
  const std::string& Path() const { return m_path; }
  // Path() + "/" + name.
  std::string File(const std::string& name) const;
  // Writes `text` to File(name) as it is (binary). False when it cannot.
  bool Write(const std::string& name, const std::string& text) const;

 private:
  std::string m_path;
};
