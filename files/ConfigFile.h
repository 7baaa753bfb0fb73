#pragma once
// Config.ini in the layout the program runs in (resources/Paths.h says where):
// made ready for use, and set aside when it cannot be used.

#include <optional>
#include <string>

namespace files {

// The path of the Config.ini to use. Installed, the user's settings folder is
// made on first use and a copy beside the program or the administrator's is
// taken over into it, so the user's writes land there. When no copy can be made
// there (a read-only folder) the other copy is used where it is, and writes to
// it fail quietly unless it is writable.
std::string ConfigFilePath();

// True when `text` cannot be a Config.ini: NUL or other control bytes besides
// the blanks and line ends an INI file may hold.
bool IsGarbageConfigText(const std::string& text);

// Call once at start-up, before anything reads Config.ini. A Config.ini that is
// no regular file, cannot be read, is too big or holds garbage is moved aside to
// Config.ini.bad (Config.ini.bad.2 ... .9 when those are taken; nothing is ever
// replaced or deleted), so the program starts with its defaults. Returns the one
// message to show the user then, or nothing when the file was fine or absent.
std::optional<std::string> SetAsideBadConfig();

}  // namespace files
