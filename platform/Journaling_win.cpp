#include <windows.h>
// After windows.h, which it needs.
#include <bcrypt.h>
#include <lmcons.h>

#include <array>
#include <ctime>

#include "platform/Journaling.h"
#include "platform/WideText_win.h"

namespace platform {
namespace {

// Closes a handle on every way out.
struct Handle {
  HANDLE handle = INVALID_HANDLE_VALUE;
  ~Handle() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
};

int LastError() { return static_cast<int>(GetLastError()); }

}  // namespace

std::string Sha256Hex(std::string_view bytes) {
  std::array<unsigned char, 32> digest{};
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  if (BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) < 0) return {};
  // Hashed in slices: BCryptHash takes a ULONG length.
  BCRYPT_HASH_HANDLE hash = nullptr;
  bool ok = BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) >= 0;
  for (size_t at = 0; ok && at < bytes.size(); at += 1u << 30) {
    const size_t part = std::min<size_t>(bytes.size() - at, 1u << 30);
    ok = BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data() + at)), static_cast<ULONG>(part),
                        0) >= 0;
  }
  ok = ok && BCryptFinishHash(hash, digest.data(), static_cast<ULONG>(digest.size()), 0) >= 0;
  if (hash) BCryptDestroyHash(hash);
  BCryptCloseAlgorithmProvider(algorithm, 0);
  if (!ok) return {};
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  for (const unsigned char byte : digest) {
    hex += kHex[byte >> 4];
    hex += kHex[byte & 15];
  }
  return hex;
}

int AppendLocked(const std::string& lockPath, const std::string& path, std::string_view bytes,
                 const std::function<std::string(uint64_t, char)>& beforeWrite) {
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  Handle lock{CreateFileW(WidePath(lockPath).c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr)};
  if (lock.handle == INVALID_HANDLE_VALUE) return LastError();
  OVERLAPPED whole{};
  // Released by the close, also when this process is killed while it holds it.
  if (!LockFileEx(lock.handle, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &whole)) return LastError();
  // FILE_APPEND_DATA: every write lands at the end, whoever else appends.
  Handle file{CreateFileW(WidePath(path).c_str(), FILE_APPEND_DATA | GENERIC_READ, share, nullptr, OPEN_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr)};
  if (file.handle == INVALID_HANDLE_VALUE) return LastError();
  std::string text;
  if (beforeWrite) {
    LARGE_INTEGER size{};
    char last = '\0';
    if (GetFileSizeEx(file.handle, &size) && size.QuadPart > 0) {
      OVERLAPPED at{};
      at.Offset = static_cast<DWORD>(size.QuadPart - 1);
      at.OffsetHigh = static_cast<DWORD>((size.QuadPart - 1) >> 32);
      DWORD read = 0;
      if (!ReadFile(file.handle, &last, 1, &read, &at) || read != 1) last = '\0';
    }
    // Rotation renames the file: the one written is opened after it.
    CloseHandle(file.handle);
    file.handle = INVALID_HANDLE_VALUE;
    text = beforeWrite(static_cast<uint64_t>(size.QuadPart), last);
    file.handle = CreateFileW(WidePath(path).c_str(), FILE_APPEND_DATA, share, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file.handle == INVALID_HANDLE_VALUE) return LastError();
  }
  text.append(bytes);
  DWORD written = 0;
  if (!WriteFile(file.handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) return LastError();
  if (written != text.size()) return ERROR_DISK_FULL;
  if (!FlushFileBuffers(file.handle)) return LastError();
  return 0;
}

std::string ErrorText(int error) {
  wchar_t* text = nullptr;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string narrow = length ? Narrow(std::wstring(text, length)) : "error " + std::to_string(error);
  if (text) LocalFree(text);
  while (!narrow.empty() && (narrow.back() == '\n' || narrow.back() == '\r' || narrow.back() == '.')) narrow.pop_back();
  return narrow;
}

std::vector<std::string> ListFiles(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW(WidePath(folder + "/*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(Narrow(found.cFileName));
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

bool RemoveFile(const std::string& path) { return DeleteFileW(WidePath(path).c_str()) != 0; }

bool RenameReplacing(const std::string& from, const std::string& to) {
  return MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

std::string UserName() {
  std::array<wchar_t, UNLEN + 1> name{};
  DWORD length = static_cast<DWORD>(name.size());
  if (!GetUserNameW(name.data(), &length)) return {};
  return Narrow(name.data());
}

std::string HostName() {
  std::array<wchar_t, MAX_COMPUTERNAME_LENGTH + 1> name{};
  DWORD length = static_cast<DWORD>(name.size());
  if (!GetComputerNameW(name.data(), &length)) return {};
  return Narrow(name.data());
}

int UtcOffsetMinutes(int64_t seconds) {
  const time_t at = static_cast<time_t>(seconds);
  std::tm local{}, utc{};
  if (localtime_s(&local, &at) != 0 || gmtime_s(&utc, &at) != 0) return 0;
  utc.tm_isdst = local.tm_isdst;
  return static_cast<int>(std::difftime(std::mktime(&local), std::mktime(&utc)) / 60);
}

}  // namespace platform
