#include <fcntl.h>
#include <io.h>
#include <stdlib.h>
#include <windows.h>

#include "platform/FileSystem.h"
#include "platform/Journaling.h"
#include "platform/WideText_win.h"

namespace platform {
namespace {

bool IsMissing(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME ||
         error == ERROR_BAD_NETPATH || error == ERROR_BAD_NET_NAME;
}

int64_t Ticks(const FILETIME& time) {
  return static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

uint64_t Join(DWORD high, DWORD low) { return (static_cast<uint64_t>(high) << 32) | low; }

// A file held open with no sharing cannot be opened even for its attributes; the
// folder's listing still knows them.
PathInfo FromAttributes(const std::wstring& wide, DWORD openError) {
  PathInfo info;
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) {
    info.kind = IsMissing(openError) || IsMissing(GetLastError()) ? PathKind::Missing : PathKind::Unknown;
    return info;
  }
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    info.kind = PathKind::Folder;
    return info;
  }
  info.kind = PathKind::File;
  info.stamp.size = Join(data.nFileSizeHigh, data.nFileSizeLow);
  info.stamp.modified = Ticks(data.ftLastWriteTime);
  return info;
}

PathInfo InspectWith(const std::string& path, DWORD flags) {
  const std::wstring wide = WidePath(path);
  if (wide.empty()) return PathInfo{};
  const HANDLE handle =
      CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return FromAttributes(wide, GetLastError());
  PathInfo info;
  BY_HANDLE_FILE_INFORMATION data{};
  FILE_ATTRIBUTE_TAG_INFO tag{};
  FILE_BASIC_INFO basic{};
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    info.kind = PathKind::Other;
  } else if (!GetFileInformationByHandle(handle, &data)) {
    info.kind = PathKind::Unknown;
  } else if ((flags & FILE_FLAG_OPEN_REPARSE_POINT) && (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
             GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag) &&
             (tag.ReparseTag == IO_REPARSE_TAG_SYMLINK || tag.ReparseTag == IO_REPARSE_TAG_MOUNT_POINT)) {
    info.kind = PathKind::Link;
  } else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    info.kind = PathKind::Folder;
  } else {
    info.kind = PathKind::File;
    const bool haveBasic = GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic) != 0;
    info.stamp = {data.dwVolumeSerialNumber, Join(data.nFileIndexHigh, data.nFileIndexLow),
                  Join(data.nFileSizeHigh, data.nFileSizeLow), Ticks(data.ftLastWriteTime),
                  haveBasic ? basic.ChangeTime.QuadPart : 0};
  }
  CloseHandle(handle);
  return info;
}

}  // namespace

PathInfo Inspect(const std::string& path) { return InspectWith(path, 0); }

PathInfo InspectLink(const std::string& path) { return InspectWith(path, FILE_FLAG_OPEN_REPARSE_POINT); }

std::FILE* OpenFile(const std::string& path, const char* mode) {
  const std::wstring wide = WidePath(path);
  if (wide.empty()) {
    errno = ENOENT;
    return nullptr;
  }
  return _wfopen(wide.c_str(), Widen(mode).c_str());
}

std::FILE* OpenRegularFile(const std::string& path, ReadResult& why, uint64_t& size) {
  const std::wstring wide = WidePath(path);
  why = ReadResult::Missing;
  if (wide.empty()) return nullptr;
  // Backup semantics open a folder too, so it is told from a file that cannot be read.
  const HANDLE handle = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    why = IsMissing(error)                     ? ReadResult::Missing
          : error == ERROR_TOO_MANY_OPEN_FILES ? ReadResult::TooManyOpen
                                               : ReadResult::Failed;
    return nullptr;
  }
  BY_HANDLE_FILE_INFORMATION data{};
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    why = ReadResult::NotAFile;
  } else if (!GetFileInformationByHandle(handle, &data)) {
    why = ReadResult::Failed;
  } else {
    why = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? ReadResult::NotAFile : ReadResult::Ok;
  }
  const int fd =
      why == ReadResult::Ok ? _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY) : -1;
  if (fd < 0) {
    if (why == ReadResult::Ok) why = ReadResult::Failed;
    CloseHandle(handle);
    return nullptr;
  }
  std::FILE* file = _fdopen(fd, "rb");
  if (file == nullptr) {
    why = ReadResult::Failed;
    _close(fd);  // closes the handle with it
    return nullptr;
  }
  size = Join(data.nFileSizeHigh, data.nFileSizeLow);
  return file;
}

bool MakeFolder(const std::string& path) {
  const std::wstring wide = WidePath(path);
  if (wide.empty()) return false;
  // The folder takes the rights of the one it is made in: in the user's profile,
  // the user's own.
  if (CreateDirectoryW(wide.c_str(), nullptr)) return true;
  return GetLastError() == ERROR_ALREADY_EXISTS && Inspect(path).kind == PathKind::Folder;
}

RenameResult RenameNoReplace(const std::string& from, const std::string& to) {
  const std::wstring wideFrom = WidePath(from), wideTo = WidePath(to);
  if (wideFrom.empty() || wideTo.empty()) return RenameResult::Failed;
  // Without MOVEFILE_REPLACE_EXISTING the move refuses a name that is taken.
  if (MoveFileExW(wideFrom.c_str(), wideTo.c_str(), MOVEFILE_WRITE_THROUGH)) return RenameResult::Done;
  const DWORD error = GetLastError();
  if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) return RenameResult::TargetExists;
  // A folder in the way is refused as access denied.
  return InspectLink(to).Exists() ? RenameResult::TargetExists : RenameResult::Failed;
}

bool IsAbsolutePath(const std::string& path) {
  if (path.empty()) return false;
  if (path[0] == '/' || path[0] == '\\') return true;
  const bool drive = (path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z');
  return drive && path.size() >= 3 && path[1] == ':' && (path[2] == '/' || path[2] == '\\');
}

std::string ProgramFile() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return std::string();
    if (length < buffer.size()) {
      buffer.resize(length);
      break;
    }
    // Cut to fit: try again with room to spare.
    if (buffer.size() >= 32768) return std::string();
    buffer.resize(buffer.size() * 2);
  }
  // The long form's prefix is no part of the name shared code works with.
  if (buffer.rfind(L"\\\\?\\", 0) == 0 && buffer.rfind(L"\\\\?\\UNC\\", 0) != 0) buffer.erase(0, 4);
  return PathFromWide(buffer);
}

std::optional<std::string> Environment(const char* name) {
  const wchar_t* value = _wgetenv(Widen(name).c_str());
  if (value == nullptr) return std::nullopt;
  return Narrow(value);
}

bool SetEnvironment(const char* name, const std::optional<std::string>& value) {
  // "NAME=" removes it; Windows keeps no empty variables.
  const std::wstring setting = Widen(name) + L"=" + (value ? Widen(*value) : std::wstring());
  return _wputenv(setting.c_str()) == 0;
}

// A folder the system names in a variable, as the shared code writes folders.
static std::string FolderFromEnvironment(const char* name) {
  std::string folder = Environment(name).value_or(std::string());
  if (!IsAbsolutePath(folder)) return std::string();
  for (char& c : folder) {
    if (c == '\\') c = '/';
  }
  while (folder.size() > 3 && folder.back() == '/') folder.pop_back();
  return folder;
}

std::string UserSettingsBase() { return FolderFromEnvironment("APPDATA"); }

std::string SystemSettingsBase() { return FolderFromEnvironment("PROGRAMDATA"); }

std::string UserDataBase() { return FolderFromEnvironment("LOCALAPPDATA"); }

static bool IsInside(const std::string& path, const std::string& folder) {
  if (folder.empty() || path.size() <= folder.size() || path[folder.size()] != '/') return false;
  return CompareStringOrdinal(Widen(path.substr(0, folder.size())).c_str(), -1, Widen(folder).c_str(), -1, TRUE) ==
         CSTR_EQUAL;
}

bool MayKeepFilesIn(const std::string& folder) {
  std::string path = folder;
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  if (path.empty() || path.back() != '/') path += '/';
  for (const char* programs : {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432"}) {
    if (IsInside(path, FolderFromEnvironment(programs))) return false;
  }
  // Rights, a read-only stick or share: only a real file tells them all.
  const std::wstring probe = WidePath(path + ".write-test-" + std::to_string(ProcessId()));
  if (probe.empty()) return false;
  const HANDLE handle =
      CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                  FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  // A folder that is not there says nothing of the user's rights: the old place stays.
  if (handle == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_PATH_NOT_FOUND;
  CloseHandle(handle);
  return true;
}

long long ProcessId() { return static_cast<long long>(GetCurrentProcessId()); }

bool ProcessGone(long long pid) {
  if (pid <= 0 || pid > 0xFFFFFFFFLL) return false;
  const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
  // Access denied: it runs, as another user.
  if (process == nullptr) return GetLastError() == ERROR_INVALID_PARAMETER;
  // Someone still holding a handle keeps an ended process known.
  DWORD code = 0;
  const bool ended = GetExitCodeProcess(process, &code) && code != STILL_ACTIVE;
  CloseHandle(process);
  return ended;
}

}  // namespace platform
