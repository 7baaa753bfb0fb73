#include <windows.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "platform/WideText_win.h"
#include "serial/ComDevice_win.h"
#include "serial/OpenFault.h"
#include "serial/PortTable.h"
#include "serial/Rs232.h"

namespace {

// Slack added to twice the wire time of a write before it counts as stuck, as on Linux.
constexpr DWORD kWriteMarginMs = 200;

std::atomic<unsigned long> g_injectedOpenError{0};

std::mutex g_heldLock;
std::multiset<unsigned> g_heldHere;  // COM numbers open in this process

// The shared header keeps the handle as an integer so it need not include <windows.h>.
// NOLINTNEXTLINE(performance-no-int-to-ptr): the integer is a handle the system gave us
HANDLE HandleOf(intptr_t value) { return reinterpret_cast<HANDLE>(value); }

// 8N1 at any integer rate, no flow control of any kind, DTR and RTS up. A refused
// setting does not fail Open, as on Linux: the first transaction shows whether the
// drive understands us.
void ConfigureLine(HANDLE port, int32_t baud) {
  SetupComm(port, 4096, 4096);
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
    dcb.fTXContinueOnXoff = TRUE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.ErrorChar = dcb.EofChar = dcb.EvtChar = 0;
    SetCommState(port, &dcb);
  }
  // Drivers without modem lines (Wine's mapping of a pseudo-terminal) refuse these
  // with "not supported".
  EscapeCommFunction(port, SETDTR);
  EscapeCommFunction(port, SETRTS);
}

// A read returns what has arrived at once, else waits up to `readWaitMs` for the
// first byte and returns as soon as one comes; ReadFile then neither spins nor
// needs overlapped I/O (which Wine leaves pending with these time-outs). A write
// may take twice its wire time plus a margin, the Linux drain deadline, rounded up
// to whole milliseconds per byte, so it is set once per Open rather than per write.
bool SetTimeouts(HANDLE port, DWORD readWaitMs, int32_t baud) {
  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = MAXDWORD;
  timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;
  timeouts.ReadTotalTimeoutConstant = readWaitMs;
  timeouts.WriteTotalTimeoutMultiplier = baud > 0 ? static_cast<DWORD>((20'000 + baud - 1) / baud) : 1;
  timeouts.WriteTotalTimeoutConstant = kWriteMarginMs;
  return SetCommTimeouts(port, &timeouts) != 0;
}

}  // namespace

namespace serialdetail {

void InjectOpenErrorForTest(unsigned long error) { g_injectedOpenError = error; }

HANDLE OpenDevice(const std::string& path, OpenFor purpose, DWORD& error) {
  error = g_injectedOpenError;
  if (error != 0) return INVALID_HANDLE_VALUE;
  const std::wstring wide = platform::Widen(path);
  if (wide.empty()) {
    error = ERROR_INVALID_NAME;
    return INVALID_HANDLE_VALUE;
  }
  // For use no sharing: Windows itself then keeps every other program out.
  const bool use = purpose == OpenFor::Use;
  const HANDLE handle =
      CreateFileW(wide.c_str(), use ? GENERIC_READ | GENERIC_WRITE : 0, use ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  error = handle == INVALID_HANDLE_VALUE ? GetLastError() : 0;
  return handle;
}

bool IsOpenHere(unsigned com) {
  std::lock_guard<std::mutex> guard(g_heldLock);
  return g_heldHere.count(com) != 0;
}

}  // namespace serialdetail

// The COM numbers Windows lists under HARDWARE\DEVICEMAP\SERIALCOMM (name: the
// driver's device, data: "COM<n>"), and those it knows as DOS devices.
std::vector<unsigned> CRs232CB::SystemPorts() {
  std::vector<unsigned> found;
  HKEY key = nullptr;
  const bool listed =
      RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) == ERROR_SUCCESS;
  for (DWORD index = 0; listed; ++index) {
    wchar_t name[256];
    wchar_t data[64];
    DWORD nameLength = sizeof name / sizeof name[0];
    DWORD dataBytes = sizeof data - sizeof(wchar_t);
    DWORD type = 0;
    const LONG got =
        RegEnumValueW(key, index, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data), &dataBytes);
    if (got == ERROR_NO_MORE_ITEMS) break;
    // Too long for a COM name, or not text: not a port we could number.
    if (got != ERROR_SUCCESS || type != REG_SZ) continue;
    data[dataBytes / sizeof(wchar_t)] = L'\0';  // registry text need not end in NUL
    if (const std::optional<unsigned> number = portmap::NumberOfDevice(platform::Narrow(data))) {
      found.push_back(*number);
    }
  }
  if (listed) RegCloseKey(key);
  // A port Windows knows only by its DOS device name is a port all the same: a
  // virtual port's driver may leave SERIALCOMM alone, and Wine lists there only
  // what it found at its start, not a dosdevices/com<n> made later (which it
  // resolves only when the name is opened).
  constexpr unsigned kLastPort = 255;
  for (unsigned number = 1; number <= kLastPort; ++number) {
    const std::wstring name = L"COM" + std::to_wstring(number);
    wchar_t target[512];
    if (QueryDosDeviceW(name.c_str(), target, sizeof target / sizeof target[0]) != 0 ||
        DeviceExists("\\\\.\\COM" + std::to_string(number))) {
      found.push_back(number);
    }
  }
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  return found;
}

// Anything but "no such thing" counts, so a port held by someone else is still
// listed and the user learns why Open fails.
bool CRs232CB::DeviceExists(const std::string& path) {
  DWORD error = 0;
  const HANDLE handle = serialdetail::OpenDevice(path, serialdetail::OpenFor::Look, error);
  if (handle != INVALID_HANDLE_VALUE) {
    CloseHandle(handle);
    return true;
  }
  return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

// ERROR_NOT_READY is what Wine reports once the pseudo-terminal behind a port has
// hung up; the others are what Windows drivers give for an adapter pulled out.
bool CRs232CB::IsLostError(int error) {
  switch (static_cast<DWORD>(error)) {
    case ERROR_ACCESS_DENIED:
    case ERROR_INVALID_HANDLE:
    case ERROR_BAD_COMMAND:
    case ERROR_NOT_READY:
    case ERROR_GEN_FAILURE:
    case ERROR_OPERATION_ABORTED:
    case ERROR_DEVICE_REMOVED:
    case ERROR_FILE_NOT_FOUND: return true;
    default: return false;
  }
}

int CRs232CB::OpenDevice(uint8_t port, int32_t baudRate) {
  StartOpen(port, baudRate);
  const std::optional<std::string> path = portmap::PathOf(port);
  if (!path) return 0;
  DWORD error = 0;
  const HANDLE handle = serialdetail::OpenDevice(*path, serialdetail::OpenFor::Use, error);
  if (handle == INVALID_HANDLE_VALUE) return 0;
  // Only a port has a comm state; a file named by mistake in the ports file
  // would take the link's bytes as data.
  DCB state{};
  state.DCBlength = sizeof state;
  if (!GetCommState(handle, &state)) {
    CloseHandle(handle);
    return 0;
  }

  ConfigureLine(handle, baudRate);
  m_readWaitMs = SetTimeouts(handle, 1, baudRate) ? 1 : 0;
  PurgeComm(handle, PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR);
  {
    std::lock_guard<std::mutex> guard(g_heldLock);
    g_heldHere.insert(port);
  }
  return Opened(reinterpret_cast<intptr_t>(handle));
}

void CRs232CB::ReleaseHandle() {
  if (m_handle == -1) return;
  CloseHandle(HandleOf(m_handle));
  m_handle = -1;
  m_readWaitMs = 0;
  std::lock_guard<std::mutex> guard(g_heldLock);
  const auto held = g_heldHere.find(m_portNumber);
  if (held != g_heldHere.end()) g_heldHere.erase(held);
}

// The line status sends nothing and fails with a lost error once the device is
// gone (ERROR_NOT_READY from Wine for a hung-up pseudo-terminal), so a timer may
// ask it; a watcher thread blocked in WaitCommEvent would be a second reader.
bool CRs232CB::DeviceHungUp() const {
  DWORD comErrors = 0;
  return !ClearCommError(HandleOf(m_handle), &comErrors, nullptr) && IsLostError(static_cast<int>(GetLastError()));
}

int CRs232CB::FillReadAhead(int maxWaitMicros) {
  const HANDLE port = HandleOf(m_handle);
  // Whole milliseconds, rounded up: a shorter wait than asked could take a line
  // for quiet while a byte is still on the wire.
  const DWORD waitMs = std::max<DWORD>(1, static_cast<DWORD>((static_cast<int64_t>(maxWaitMicros) + 999) / 1000));
  // A refused change keeps the previous wait: reads still end, only sooner or later.
  if (waitMs != m_readWaitMs && SetTimeouts(port, waitMs, m_baudRate)) m_readWaitMs = waitMs;

  // Wine ends a read only when its time is up or its count is met, even with bytes
  // already queued; so a read asks for what is queued, or for one byte when nothing
  // is, and returns the moment the count is met, as Windows itself does.
  DWORD comErrors = 0;
  COMSTAT status{};
  if (!ClearCommError(port, &comErrors, &status)) {
    if (FailedBecauseLost(static_cast<int>(GetLastError()))) return -1;
    status.cbInQue = 0;
  }
  const DWORD wanted = std::clamp<DWORD>(status.cbInQue, 1, sizeof m_readAhead);
  DWORD got = 0;
  if (!ReadFile(port, m_readAhead, wanted, &got, nullptr)) {
    const DWORD error = GetLastError();
    // Clears a line error (overrun, framing) that would otherwise fail every read.
    if (!FailedBecauseLost(static_cast<int>(error))) ClearCommError(port, &comErrors, nullptr);
    return -1;
  }
  if (got > 0) return static_cast<int>(got);
  // An empty read is also what Wine returns, at once, from a hung-up
  // pseudo-terminal; only the line status tells that the device is gone.
  if (!ClearCommError(port, &comErrors, nullptr) && FailedBecauseLost(static_cast<int>(GetLastError()))) {
    return -1;
  }
  return 0;
}

bool CRs232CB::WriteDevice(const uint8_t* data, size_t size) {
  if (!m_open) return false;
  const HANDLE port = HandleOf(m_handle);
  size_t done = 0;
  while (done < size) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size - done, 1u << 16));
    DWORD wrote = 0;
    if (!WriteFile(port, data + done, chunk, &wrote, nullptr)) {
      const DWORD error = GetLastError();
      DWORD comErrors = 0;
      if (!FailedBecauseLost(static_cast<int>(error))) ClearCommError(port, &comErrors, nullptr);
      return false;
    }
    done += wrote;
    if (wrote < chunk) {
      // The write time-out passed: the adapter is stuck. What it still holds
      // would reach the drive at some later moment, inside another transaction.
      PurgeComm(port, PURGE_TXABORT | PURGE_TXCLEAR);
      return false;
    }
  }
  return true;
}
