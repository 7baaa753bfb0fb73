#include <windows.h>
// After windows.h, which they need.
#include <devguid.h>
#include <setupapi.h>

#include <map>
#include <optional>

#include "platform/WideText_win.h"
#include "resources/StringIds.h"
#include "serial/ComDevice_win.h"
#include "serial/PortProbe.h"
#include "serial/PortTable.h"
#include "serial/Rs232.h"

namespace portprobe {
namespace {

// A device name as Windows compares it: without the "\\.\" prefix, any case.
std::string NameKey(std::string name) {
  if (name.rfind("\\\\.\\", 0) == 0) name.erase(0, 4);
  for (char& c : name) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return name;
}

// The names Windows shows for its ports ("USB Serial Port (COM5)"), by the port's
// device name ("COM5"). Ports without a device of their own (Wine's mappings of
// pseudo-terminals) have none.
std::map<std::string, std::string> FriendlyNames() {
  std::map<std::string, std::string> names;
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
                           ERROR_SUCCESS &&
                       type == REG_SZ;
    RegCloseKey(key);
    if (!named) continue;
    wchar_t friendly[256] = {};
    if (SetupDiGetDeviceRegistryPropertyW(devices, &device, SPDRP_FRIENDLYNAME, nullptr,
                                          reinterpret_cast<BYTE*>(friendly), sizeof friendly - sizeof(wchar_t),
                                          nullptr)) {
      names[NameKey(platform::Narrow(portName))] = platform::Narrow(friendly);
    }
  }
  SetupDiDestroyDeviceInfoList(devices);
  return names;
}

PortFacts ProbeWith(unsigned com, const std::map<std::string, std::string>& names) {
  PortFacts facts;
  facts.com = com;
  const std::optional<std::string> path = portmap::PathOf(com);
  if (!path) {
    facts.access = Access::Gone;
    facts.error = ERROR_FILE_NOT_FOUND;
    return facts;
  }
  facts.device = *path;
  if (netaddr::IsNetworkPath(*path)) {
    facts.network = true;  // asked by the caller, with every other server at once
    return facts;
  }
  if (const auto name = names.find(NameKey(*path)); name != names.end()) facts.usbProduct = name->second;
  // Windows refuses a second open even from the same process; Wine does not, so
  // the answer must not depend on trying.
  facts.heldHere = serialdetail::IsOpenHere(com);
  if (facts.heldHere) {
    facts.access = Access::Busy;
    return facts;
  }
  DWORD error = 0;
  const HANDLE handle = serialdetail::OpenDevice(*path, serialdetail::OpenFor::Use, error);
  facts.error = static_cast<int>(error);
  facts.access = AccessOfError(facts.error);
  if (handle != INVALID_HANDLE_VALUE) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handle, &dcb)) facts.access = Access::NotSerial;
    CloseHandle(handle);
  }
  return facts;
}

}  // namespace

// Windows tells neither who holds a port nor of permissions on it: a port another
// program has open refuses every other open with "access denied".
Access AccessOfError(int error) {
  switch (static_cast<DWORD>(error)) {
    case ERROR_SUCCESS: return Access::Ok;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return Access::Gone;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION: return Access::Busy;
    default: return Access::Failed;
  }
}

std::vector<PortFacts> Probe(const std::vector<unsigned>& coms) {
  const std::map<std::string, std::string> names = FriendlyNames();
  std::vector<PortFacts> all;
  all.reserve(coms.size());
  for (const unsigned com : coms) all.push_back(ProbeWith(com, names));
  std::vector<PortFacts*> networks;
  for (PortFacts& facts : all) {
    if (facts.network) networks.push_back(&facts);
  }
  ProbeNetworks(networks);
  return all;
}

PortFacts Probe(unsigned com) { return Probe(std::vector<unsigned>{com}).front(); }

std::vector<PortFacts> ProbeAll() {
  std::vector<unsigned> ports;
  CRs232CB::ListPorts(ports);
  return Probe(ports);
}

int FailedAdviceId() { return ids::DoctorAdviceFailedWindows; }

// There is no device tree to fake on Windows.
void SetRootsForTest(const std::string&, const std::string&) {}

}  // namespace portprobe
