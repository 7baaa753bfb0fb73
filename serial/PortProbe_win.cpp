#include <windows.h>
// After windows.h, which it needs.
#include <devguid.h>
#include <setupapi.h>

#include <map>

#include "platform/WideText_win.h"
#include "serial/OpenFault.h"
#include "serial/PortProbe.h"
#include "serial/PortTable.h"
#include "serial/Rs232.h"

namespace portprobe {
namespace {

// The names Windows shows for its ports ("USB Serial Port (COM5)"), by COM number.
// Ports without a device of their own (Wine's mappings) have none.
std::map<unsigned, std::string> FriendlyNames() {
  std::map<unsigned, std::string> names;
  const HDEVINFO devices = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
  if (devices == INVALID_HANDLE_VALUE) return names;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
    const HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) continue;
    wchar_t portName[64] = {};
    DWORD bytes = sizeof portName - sizeof(wchar_t);
    DWORD type = 0;
    const bool named = RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(portName), &bytes) ==
                           ERROR_SUCCESS && type == REG_SZ;
    RegCloseKey(key);
    if (!named) continue;
    const std::optional<unsigned> number = portmap::NumberOfDevice(platform::Narrow(portName));
    wchar_t friendly[256] = {};
    if (number && SetupDiGetDeviceRegistryPropertyW(devices, &device, SPDRP_FRIENDLYNAME, nullptr,
                                                    reinterpret_cast<BYTE*>(friendly), sizeof friendly - sizeof(wchar_t),
                                                    nullptr)) {
      names[*number] = platform::Narrow(friendly);
    }
  }
  SetupDiDestroyDeviceInfoList(devices);
  return names;
}

PortFacts ProbeWith(unsigned com, const std::map<unsigned, std::string>& names) {
  PortFacts facts;
  facts.com = com;
  const std::optional<std::string> path = portmap::PathOf(com);
  if (!path) {
    facts.access = Access::Gone;
    return facts;
  }
  facts.device = *path;
  if (const auto name = names.find(com); name != names.end()) facts.usbProduct = name->second;
  DWORD error = serialdetail::InjectedOpenError();
  if (error == 0) {
    const HANDLE handle = CreateFileW(platform::Widen(*path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      CloseHandle(handle);
      facts.access = Access::Ok;
      return facts;
    }
    error = GetLastError();
  }
  facts.error = static_cast<int>(error);
  facts.access = AccessOfError(facts.error);
  return facts;
}

}  // namespace

// Windows tells neither who holds a port nor of permissions on it: a port another
// program has open refuses every other open with "access denied".
Access AccessOfError(int error) {
  switch (static_cast<DWORD>(error)) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return Access::Gone;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return Access::Busy;
    default:
      return Access::Failed;
  }
}

PortFacts Probe(unsigned com) { return ProbeWith(com, FriendlyNames()); }

std::vector<PortFacts> ProbeAll() {
  std::vector<unsigned> ports;
  CRs232CB::ListPorts(ports);
  const std::map<unsigned, std::string> names = FriendlyNames();
  std::vector<PortFacts> all;
  for (const unsigned com : ports) all.push_back(ProbeWith(com, names));
  return all;
}

void SetRootsForTest(const std::string&, const std::string&) {}

}  // namespace portprobe
