#pragma once
// What the journal of writes needs from the system: a hash from its crypto
// library, one locked append that reaches the disk, the files of a folder, and
// who and where the program runs.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The SHA-256 of `bytes` as 64 lower-case hex digits (OpenSSL's libcrypto;
// BCrypt on Windows); empty when the library fails.
std::string Sha256Hex(std::string_view bytes);

// Under an exclusive lock of the file `lockPath` (made when missing; waited for,
// also by other processes): runs `beforeWrite` with the size of `path` and its
// last byte ('\0' when empty), appends what it gives followed by `bytes` to `path`
// in one write, and has them reach the disk before the lock is let go. 0 when
// done, else the system's error code.
int AppendLocked(const std::string& lockPath, const std::string& path, std::string_view bytes,
                 const std::function<std::string(uint64_t size, char last)>& beforeWrite);
// The system's words for an error code of the calls above.
std::string ErrorText(int error);

// The names of the regular files in `folder` (none when it cannot be read).
std::vector<std::string> ListFiles(const std::string& folder);
bool RemoveFile(const std::string& path);
// Renames `from` to `to`, replacing what is there.
bool RenameReplacing(const std::string& from, const std::string& to);

// Who runs the program and on which computer; empty when unknown.
std::string UserName();
std::string HostName();
// Minutes local time is ahead of UTC at that moment (seconds since 1970).
int UtcOffsetMinutes(int64_t seconds);

// Where the system keeps each user's data, without a closing '/':
// $XDG_DATA_HOME when absolute, else ~/.local/share; %LOCALAPPDATA% on Windows.
std::string UserDataBase();

}  // namespace platform
