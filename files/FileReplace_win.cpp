#include "files/FileReplace.h"

#include <windows.h>
// The Win32 name would turn ours into ReplaceFileA.
#undef ReplaceFile

#include <algorithm>
#include <string>
#include <string_view>

#include "files/TempFile.h"
#include "platform/FileSystem.h"
#include "platform/WideText_win.h"

namespace fileio {
namespace {

using platform::Narrow;
using platform::WidePath;

constexpr const char* kSeparators = "/\\";

thread_local int g_lastError = 0;

bool WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 30));
    DWORD put = 0;
    if (!WriteFile(file, bytes.data(), chunk, &put, nullptr) || put == 0) return false;
    bytes.remove_prefix(put);
  }
  return true;
}

// What killed writers left (see FileReplace.h); ours and those of live processes stay.
void RemoveLeftovers(const Place& place) {
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileExW(WidePath(TempStem(place) + "*").c_str(), FindExInfoBasic, &found,
                                         FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = Narrow(found.cFileName);
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && LeftByGoneWriter(name, place)) {
      DeleteFileW(WidePath(place.prefix + name).c_str());
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

// Puts the written temporary file in the target's place. ReplaceFileW keeps what
// the old file had besides its bytes (its rights, attributes, creation time), as
// the permission bits are kept elsewhere; where it cannot, a plain move over it.
bool Commit(const std::wstring& temp, const std::wstring& target, bool exists) {
  if (exists &&
      ReplaceFileW(target.c_str(), temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
    return true;
  }
  return MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

}  // namespace

// Windows has no links that a settings file or a drive file would be reached by.
std::string ResolveTarget(const std::string& path) { return path; }

bool CanReplace(const std::string& target) {
  const std::wstring wide = WidePath(target);
  if (wide.empty()) return false;
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  // The read-only attribute is the user's "leave this file alone".
  return !(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) &&
         platform::Inspect(target).kind == platform::PathKind::File;
}

bool CanWrite(const std::string& path) {
  g_lastError = 0;
  if (path.empty() || !CanReplace(path)) return false;
  const Place place = PlaceOf(path, kSeparators);
  // Whether the folder takes a new file only a try can tell; ReplaceFile reports it.
  return !place.base.empty() && (platform::Inspect(place.folder).kind == platform::PathKind::Folder ||
                                 platform::Inspect(path).kind == platform::PathKind::File);
}

bool FolderTakesNoNewFiles(const std::string& path) {
  if (path.empty() || !CanReplace(path) || platform::Inspect(path).kind != platform::PathKind::File) return false;
  const Place place = PlaceOf(path, kSeparators);
  if (place.base.empty()) return false;
  // Only a try tells; the try leaves nothing behind.
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::wstring probe = WidePath(NextTempName(place));
    const HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      return false;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return error == ERROR_ACCESS_DENIED;
  }
  return false;
}

int LastReplaceError() { return g_lastError; }

bool IsDiskFull(int error) { return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL; }

bool ReplaceFile(const std::string& path, std::string_view bytes) {
  g_lastError = 0;
  if (path.empty() || !CanReplace(path)) return false;
  const Place place = PlaceOf(path, kSeparators);
  if (place.base.empty()) return false;
  const std::wstring target = WidePath(path);
  const bool exists = platform::Inspect(path).kind == platform::PathKind::File;

  std::wstring temp;
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
    temp = WidePath(NextTempName(place));
    file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
      g_lastError = static_cast<int>(error);
      return false;
    }
  }
  if (file == INVALID_HANDLE_VALUE) return false;

  bool ok = WriteAll(file, bytes) && FlushFileBuffers(file);
  if (!ok) g_lastError = static_cast<int>(GetLastError());
  ok = CloseHandle(file) && ok;
  if (ok && Commit(temp, target, exists)) {
    RemoveLeftovers(place);
    return true;
  }
  if (ok) g_lastError = static_cast<int>(GetLastError());
  // ReplaceFileW can fail after the old file is gone, the new one still under the
  // temporary name: then it is the only copy, and it stays.
  if (!ok || !exists || platform::Inspect(path).kind != platform::PathKind::Missing) DeleteFileW(temp.c_str());
  return false;
}

}  // namespace fileio
