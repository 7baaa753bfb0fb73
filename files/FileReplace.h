#pragma once
// Replacing a file so that a failure never leaves a half-written one in place of a
// good one: the new content goes to a file beside it, reaches the disk, and is
// renamed over the old one in one step.

#include <string>
#include <string_view>

namespace fileio {

// The file a write to `path` lands in: what a symbolic link points to, else `path`
// (always `path` on Windows, where no link of ours leads to a settings file).
std::string ResolveTarget(const std::string& path);

// Whether the file may be replaced: it does not exist yet, or it is a regular file
// that is writable and not marked read-only (no write bit at all; on Windows the
// read-only attribute).
bool CanReplace(const std::string& target);

// Whether ReplaceFile may succeed: CanReplace, and the folder takes a new file
// (on Windows only a try tells that; ReplaceFile then refuses). A look before a
// write starts afresh: LastReplaceError is 0 after it.
bool CanWrite(const std::string& path);

// The file at `path` exists and may be written, but its folder takes no new file,
// so it cannot be replaced in one step: what to tell a user whose write failed.
bool FolderTakesNoNewFiles(const std::string& path);

// Replaces the file at `path` (a link is followed) with `bytes`. An existing file
// keeps its permission bits (on Windows its rights and attributes). '/' and, on
// Windows, '\' both separate folders. False, with the old file untouched and no
// temporary file left, when anything fails, also when the folder takes no new file:
// a file rewritten in place would be left mixed of old and new by a crash part-way.
// After a replace, the temporary files that writers of the same file left when
// they were killed part-way (hidden, ".<name>.tmp-<pid>-<n>") are removed once
// their process is gone.
bool ReplaceFile(const std::string& path, std::string_view bytes);

// Why the last ReplaceFile of this thread failed: the system's error code (errno;
// GetLastError's on Windows), 0 when it succeeded or refused for a reason of its
// own (a read-only target, no file name).
int LastReplaceError();
// Whether that code means the disk, or the user's share of it, is full.
bool IsDiskFull(int error);

}  // namespace fileio
