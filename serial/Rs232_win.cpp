#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <map>
#include <optional>
#include <string>

#include "platform/WideText_win.h"
#include "serial/OpenFault.h"
#include "serial/PortTable.h"
#include "serial/Rs232.h"

namespace {

// The same first-byte waits as on Linux (see Rs232_linux.cpp): 1 ms, 2 ms once the
// line has been silent for a while. Windows counts read time-outs in whole ms.
constexpr int kReadWaitMs = 1;
constexpr int kSilentReadWaitMs = 2;
constexpr unsigned kSilentReadsBeforeLongerWait = 10;
constexpr DWORD kWriteMarginMs = 200;

std::atomic<unsigned long> g_injectedOpenError{0};

HANDLE HandleOf(intptr_t value) { return reinterpret_cast<HANDLE>(value); }

// Errors Windows gives once the adapter behind the handle is gone.
bool IsLostError(DWORD error) {
  switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_BAD_COMMAND:
    case ERROR_DEVICE_REMOVED:
    case ERROR_GEN_FAILURE:
    case ERROR_OPERATION_ABORTED:
    case ERROR_INVALID_HANDLE:
    case ERROR_FILE_NOT_FOUND:
      return true;
    default:
      return false;
  }
}

// 8N1 at any integer rate, no flow control of any kind, DTR and RTS up. A refused
// setting does not fail Open, as on Linux: the first transaction shows whether the
// drive understands us.
void ConfigureLine(HANDLE port, int32_t baud) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (GetCommState(port, &dcb)) {
    dcb.BaudRate = static_cast<DWORD>(baud);
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    SetCommState(port, &dcb);
  }
  // Drivers without modem lines (Wine's mapping of a pseudo-terminal) refuse these.
  EscapeCommFunction(port, SETDTR);
  EscapeCommFunction(port, SETRTS);
  PurgeComm(port, PURGE_RXCLEAR | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_TXABORT);
}

// A read returns what has arrived at once, else waits up to `waitMs` for the first
// byte and returns as soon as it comes.
bool SetReadWait(HANDLE port, DWORD waitMs, DWORD writeLimitMs) {
  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = MAXDWORD;
  // Both totals zero: return at once with what has arrived, even nothing.
  timeouts.ReadTotalTimeoutMultiplier = waitMs == 0 ? 0 : MAXDWORD;
  timeouts.ReadTotalTimeoutConstant = waitMs;
  timeouts.WriteTotalTimeoutConstant = writeLimitMs;
  return SetCommTimeouts(port, &timeouts) != 0;
}

}  // namespace

namespace serialdetail {
void InjectOpenErrorForTest(unsigned long error) { g_injectedOpenError = error; }
unsigned long InjectedOpenError() { return g_injectedOpenError; }
}  // namespace serialdetail

CRs232CB::CRs232CB() = default;

CRs232CB::~CRs232CB() { Close(); }

void CRs232CB::ListPorts(std::vector<unsigned>& ports) {
  ports.clear();
  const std::map<unsigned, std::string> fileEntries = portmap::FileEntries();
  std::vector<unsigned> found;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) == ERROR_SUCCESS) {
    for (DWORD index = 0;; ++index) {
      wchar_t name[256];
      wchar_t data[256];
      DWORD nameLength = 256;
      DWORD dataBytes = sizeof data - sizeof(wchar_t);
      DWORD type = 0;
      const LONG got = RegEnumValueW(key, index, name, &nameLength, nullptr, &type,
                                     reinterpret_cast<BYTE*>(data), &dataBytes);
      if (got == ERROR_NO_MORE_ITEMS) break;
      if (got != ERROR_SUCCESS || type != REG_SZ) continue;
      data[dataBytes / sizeof(wchar_t)] = L'\0';
      const std::optional<unsigned> number = portmap::NumberOfDevice(platform::Narrow(data));
      if (number && fileEntries.count(*number) == 0) found.push_back(*number);
    }
    RegCloseKey(key);
  }
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  ports = found;
  for (const auto& entry : fileEntries) ports.push_back(entry.first);
}

int CRs232CB::Open(uint8_t port, int32_t baudRate) {
  Close();
  m_portNumber = port;
  m_baudRate = baudRate;
  m_open = 0;

  const std::optional<std::string> path = portmap::PathOf(port);
  if (!path) return 0;
  if (const unsigned long injected = serialdetail::InjectedOpenError()) {
    SetLastError(injected);
    return 0;
  }
  // No sharing: Windows itself keeps every other program out while we hold it.
  const HANDLE handle = CreateFileW(platform::Widen(*path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return 0;
  ConfigureLine(handle, baudRate);
  SetReadWait(handle, kReadWaitMs, kWriteMarginMs);
  m_readWaitMs = kReadWaitMs;

  m_handle = reinterpret_cast<intptr_t>(handle);
  m_readAheadPos = m_readAheadLen = 0;
  m_silentReads = 0;
  m_open = 1;
  return 1;
}

void CRs232CB::Close() {
  if (!m_open) return;
  GiveUpPort();
}

void CRs232CB::GiveUpPort() {
  m_open = 0;
  if (m_handle != -1) {
    CloseHandle(HandleOf(m_handle));
    m_handle = -1;
  }
  m_readAheadPos = m_readAheadLen = 0;
  OnPortReleased();
}

bool CRs232CB::FailedBecauseLost(int error) {
  if (!IsLostError(static_cast<DWORD>(error))) return false;
  GiveUpPort();
  return true;
}

int CRs232CB::ReadBytes(uint8_t* buffer, size_t size) {
  const int waitMs = m_silentReads < kSilentReadsBeforeLongerWait ? kReadWaitMs : kSilentReadWaitMs;
  return ReadBytesWithin(buffer, size, waitMs * 1000);
}

int CRs232CB::ReadBytesWithin(uint8_t* buffer, size_t size, int maxWaitMicros) {
  if (size == 0) return 0;
  if (m_readAheadPos < m_readAheadLen) {
    const size_t count = std::min(size, m_readAheadLen - m_readAheadPos);
    std::memcpy(buffer, m_readAhead + m_readAheadPos, count);
    m_readAheadPos += count;
    return static_cast<int>(count);
  }
  if (!m_open) return -1;

  const HANDLE port = HandleOf(m_handle);
  const DWORD waitMs = static_cast<DWORD>((maxWaitMicros + 999) / 1000);
  if (waitMs != m_readWaitMs) {
    // A refused time-out keeps the previous one: reads still end, only sooner or later.
    if (SetReadWait(port, waitMs, kWriteMarginMs)) m_readWaitMs = waitMs;
  }
  DWORD got = 0;
  if (!ReadFile(port, m_readAhead, sizeof m_readAhead, &got, nullptr)) {
    const DWORD error = GetLastError();
    DWORD errors = 0;
    ClearCommError(port, &errors, nullptr);
    FailedBecauseLost(static_cast<int>(error));
    return -1;
  }
  if (got == 0) {
    ++m_silentReads;
    return 0;
  }
  m_silentReads = 0;
  m_readAheadLen = got;
  const size_t count = std::min<size_t>(size, got);
  std::memcpy(buffer, m_readAhead, count);
  m_readAheadPos = count;
  return static_cast<int>(count);
}

bool CRs232CB::WriteAll(const uint8_t* data, size_t size) {
  if (!m_open) return false;
  const HANDLE port = HandleOf(m_handle);
  // Bounded like the Linux drain: twice the wire time and a margin, so a stuck
  // adapter cannot hang the program.
  const DWORD wireMs = m_baudRate > 0 ? static_cast<DWORD>(size * 10'000 / static_cast<size_t>(m_baudRate)) : 0;
  SetReadWait(port, m_readWaitMs, 2 * wireMs + kWriteMarginMs);
  size_t done = 0;
  while (done < size) {
    DWORD wrote = 0;
    if (!WriteFile(port, data + done, static_cast<DWORD>(size - done), &wrote, nullptr)) {
      const DWORD error = GetLastError();
      DWORD errors = 0;
      ClearCommError(port, &errors, nullptr);
      FailedBecauseLost(static_cast<int>(error));
      return false;
    }
    if (wrote == 0) {
      // The write time-out passed with nothing taken.
      PurgeComm(port, PURGE_TXCLEAR | PURGE_TXABORT);
      return false;
    }
    done += wrote;
  }
  return true;
}
