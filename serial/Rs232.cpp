#include "serial/Rs232.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <string>

#include "serial/NetLine.h"
#include "serial/PortTable.h"

namespace {

// How long ReadBytes waits for a first byte. Every wait costs a wake-up (tens of
// microseconds of CPU on a virtual machine), so once the line has been silent for
// a while the wait doubles, as the classic read time-outs (1 ms plus 1 ms per
// byte asked for) allow; arriving bytes still end the wait at once.
constexpr int kReadWaitMs = 1;
constexpr int kSilentReadWaitMs = 2;
constexpr unsigned kSilentReadsBeforeLongerWait = 10;

}  // namespace

CRs232CB::CRs232CB() = default;

CRs232CB::~CRs232CB() { Close(); }

void CRs232CB::ListPorts(std::vector<unsigned>& ports) {
  ports.clear();
  const std::map<unsigned, std::string> fileEntries = portmap::FileEntries();
  for (const unsigned number : SystemPorts()) {
    // A ports-file line for this number points Open elsewhere.
    if (fileEntries.count(number) == 0) ports.push_back(number);
  }
  for (const auto& [number, path] : fileEntries) {
    // A server cannot be asked without connecting to it: its line is listed and
    // the connection tells.
    if (netaddr::IsNetworkPath(path) || DeviceExists(path)) ports.push_back(number);
  }
}

void CRs232CB::Close() {
  if (!m_open) return;
  GiveUpPort();
}

int CRs232CB::Open(uint8_t port, int32_t baudRate) {
  m_netFailure.reset();
  const std::optional<std::string> path = portmap::PathOf(port);
  if (path && netaddr::IsNetworkPath(*path)) {
    StartOpen(port, baudRate);
    return OpenNetwork(*path);
  }
  return OpenDevice(port, baudRate);
}

int CRs232CB::OpenNetwork(const std::string& path) {
  CNetLine::Opened opened = CNetLine::Open(path, m_baudRate, true, m_connectWaitMs);
  if (!opened.line) {
    m_netFailure = NetFailure{path, opened.fault, opened.error};
    return 0;
  }
  m_net = std::move(opened.line);
  return Opened(-1);
}

intptr_t CRs232CB::NativeHandle() const {
  if (!m_open) return -1;
  return m_net ? m_net->Handle() : m_handle;
}

bool CRs232CB::LineHungUp() {
  if (!m_open) return false;
  if (!(m_net ? m_net->ServerClosed() : DeviceHungUp())) return false;
  GiveUpPort();
  return true;
}

std::string CRs232CB::ServerAddress() const {
  if (!m_open || !m_net) return std::string();
  return m_net->Address().HostAndPort();
}

std::string CRs232CB::LineNotes() const { return m_net ? m_net->Notes() : std::string(); }

bool CRs232CB::WriteAll(const uint8_t* data, size_t size) {
  if (!m_open) return false;
  if (!m_net) return WriteDevice(data, size);
  if (m_net->Write(data, size)) return true;
  // A socket that fails a write is reset or stuck past a cable's worth of time.
  GiveUpPort();
  return false;
}

void CRs232CB::StartOpen(uint8_t port, int32_t baudRate) {
  Close();
  m_portNumber = port;
  m_baudRate = baudRate;
  m_open = 0;
}

int CRs232CB::Opened(intptr_t handle) {
  m_handle = handle;
  m_readAheadPos = m_readAheadLen = 0;
  m_silentReads = 0;
  m_open = 1;
  return 1;
}

void CRs232CB::GiveUpPort() {
  m_open = 0;
  ReleaseHandle();
  m_handle = -1;
  m_net.reset();
  m_readAheadPos = m_readAheadLen = 0;
  OnPortReleased();
}

bool CRs232CB::FailedBecauseLost(int error) {
  if (!IsLostError(error)) return false;
  GiveUpPort();
  return true;
}

int CRs232CB::ReadBytes(uint8_t* buffer, size_t size) {
  const int waitMs = m_silentReads < kSilentReadsBeforeLongerWait ? kReadWaitMs : kSilentReadWaitMs;
  return ReadBytesWithin(buffer, size, waitMs * 1000);
}

int CRs232CB::ReadBytesWithin(uint8_t* buffer, size_t size, int maxWaitMicros) {
  if (size == 0) return 0;
  if (m_readAheadPos >= m_readAheadLen) {
    if (!m_open) return -1;
    const int got = m_net ? FillFromNetwork(std::max(maxWaitMicros, 0)) : FillReadAhead(std::max(maxWaitMicros, 0));
    if (got <= 0) {
      if (got == 0) ++m_silentReads;
      return got;
    }
    m_silentReads = 0;
    m_readAheadPos = 0;
    m_readAheadLen = static_cast<size_t>(got);
  }
  const size_t count = std::min(size, m_readAheadLen - m_readAheadPos);
  std::memcpy(buffer, m_readAhead + m_readAheadPos, count);
  m_readAheadPos += count;
  return static_cast<int>(count);
}

int CRs232CB::FillFromNetwork(int maxWaitMicros) {
  const int got = m_net->Read(m_readAhead, sizeof m_readAhead, maxWaitMicros);
  if (got < 0) GiveUpPort();  // reset or closed: the port-lost rule, as for a pulled adapter
  return got;
}
