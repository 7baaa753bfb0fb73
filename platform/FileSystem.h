#pragma once
// What the shared code needs from the operating system about files, the program
// and processes. Every path is UTF-8 with '/' (Windows also takes '\'); the wide
// text Windows wants is made at its edge, so a Korean name works everywhere.

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace platform {

enum class PathKind {
  Missing,  // nothing there, or a folder on the way is missing
  Unknown,  // something may be there, but it could not be inspected
  File,     // a regular file
  Folder,
  Link,   // only from InspectLink
  Other,  // a device, pipe or socket
};

// What tells one state of a file from another: a change of content, a file
// renamed in its place, or the same size written again all show as a new stamp.
struct FileStamp {
  uint64_t device = 0;
  uint64_t file = 0;  // the file's number on its device
  uint64_t size = 0;
  int64_t modified = 0;  // in the system's own units
  int64_t changed = 0;
  bool operator==(const FileStamp&) const = default;
};

struct PathInfo {
  PathKind kind = PathKind::Missing;
  FileStamp stamp;  // set for a File
  bool Exists() const { return kind != PathKind::Missing && kind != PathKind::Unknown; }
};

// The path as a link leads (Inspect) or the link itself (InspectLink).
PathInfo Inspect(const std::string& path);
PathInfo InspectLink(const std::string& path);

// fopen on a UTF-8 path.
std::FILE* OpenFile(const std::string& path, const char* mode);

// TooManyOpen: the process (or the system) has no file handle left, which says
// nothing about the file itself.
enum class ReadResult { Ok, Missing, NotAFile, TooBig, Failed, TooManyOpen };
// Opens the regular file at `path` for reading in binary, and tells its size.
// Never a pipe or a device, so a name picked by mistake cannot hang the program.
// nullptr, with `why` set, when there is no such file.
std::FILE* OpenRegularFile(const std::string& path, ReadResult& why, uint64_t& size);
// Reads the regular file at `path` whole into `bytes`, with room for `spare` more
// bytes kept, so a caller that pads the text copies nothing. Anything but Ok
// leaves `bytes` empty.
ReadResult ReadFile(const std::string& path, std::string& bytes, uint64_t maxBytes = UINT64_MAX, size_t spare = 0);

// Makes one folder, private to the user where the system can say so. True when a
// folder is there afterwards, made now or before.
bool MakeFolder(const std::string& path);

enum class RenameResult { Done, TargetExists, Failed };
// Renames `from` to `to` without ever replacing what is at `to`.
RenameResult RenameNoReplace(const std::string& from, const std::string& to);

// "/..." everywhere; on Windows also "C:/...", "C:\..." and "\\server\...".
bool IsAbsolutePath(const std::string& path);

// The running program's file, with '/' between folders; empty when unknown.
std::string ProgramFile();

// An environment variable as UTF-8; none when it is not set.
std::optional<std::string> Environment(const char* name);
// Sets it for this process and the ones it starts; none unsets it.
bool SetEnvironment(const char* name, const std::optional<std::string>& value);

// Where the system keeps each user's settings, without a closing '/':
// $XDG_CONFIG_HOME when absolute, else ~/.config; %APPDATA% on Windows. Empty
// when there is no such place.
std::string UserSettingsBase();
// Where an administrator puts settings for every user: /etc; %PROGRAMDATA% on Windows.
std::string SystemSettingsBase();

// Whether the running user may keep files of their own in `folder`: it takes a
// new file, and on Windows it is not inside the system's program folders, which
// only an installer writes (Wine lets anyone write there; Windows does not).
// True for a folder that is not there.
bool MayKeepFilesIn(const std::string& folder);

// This process's id, and whether the process of `pid` has ended (false when it
// runs or cannot be told, so nothing of a live process is taken for garbage).
long long ProcessId();
bool ProcessGone(long long pid);

}  // namespace platform
