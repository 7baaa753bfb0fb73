#pragma once
// Adding and removing one "COM<n>=<path>" line of a ports file, keeping every
// other line (comments included) as it was. The simulator registers itself this
// way without depending on the program's serial layer.

#include <functional>
#include <string>

namespace portsfile {

// `text` without any line for COM<number>, with "COM<number>=<path>" appended.
std::string WithEntry(const std::string& text, unsigned number, const std::string& path);
// `text` without any line for COM<number>.
std::string WithoutEntry(const std::string& text, unsigned number);
// `text` without the line COM<number>=<path> only: a drive ending removes its own
// line, never one another drive has written for the number since.
std::string WithoutOwnEntry(const std::string& text, unsigned number, const std::string& path);

// Whole-file helpers. Writing goes through a temporary file and a rename, so a
// reader never sees half a file. False when the file cannot be written.
bool ReadText(const std::string& path, std::string& text);
bool WriteTextAtomically(const std::string& path, const std::string& text);

// Reads the file (missing: empty), writes what `edit` makes of it, and holds a
// lock on its folder meanwhile that every drive editing it takes, so drives
// starting or ending at once never write over each other's lines.
bool Update(const std::string& path, const std::function<std::string(const std::string&)>& edit);

}  // namespace portsfile
