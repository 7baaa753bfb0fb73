#include "serial/NetLine.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace {

// Each step of the set-up is bounded so a server that accepts and never speaks
// costs about a second, and the link check then says the drive is silent.
constexpr int kOfferWaitMs = 500;
constexpr int kSettingsWaitMs = 500;
constexpr auto kQuietAfterAnswers = std::chrono::milliseconds(60);
constexpr int kRefusalWaitMs = 100;
// Writes wait as long as a COM port's would for a stuck adapter.
constexpr int kSendWaitMs = 1000;
constexpr int kDefaultConnectWaitMs = 3000;
constexpr int kReleaseWaitMs = 400;
constexpr int kReleaseRetryMs = 40;

std::atomic<int> g_connectWaitMs{kDefaultConnectWaitMs};

CNetLine::Fault FaultOf(netsock::Fault fault) {
  switch (fault) {
    case netsock::Fault::None: return CNetLine::Fault::None;
    case netsock::Fault::NameNotFound: return CNetLine::Fault::NameNotFound;
    case netsock::Fault::NameNoAnswer: return CNetLine::Fault::NameNoAnswer;
    case netsock::Fault::Refused: return CNetLine::Fault::Refused;
    case netsock::Fault::NoAnswer: return CNetLine::Fault::NoAnswer;
    case netsock::Fault::Unreachable: return CNetLine::Fault::Unreachable;
    case netsock::Fault::Failed: break;
  }
  return CNetLine::Fault::Failed;
}

}  // namespace

CNetLine::~CNetLine() { netsock::Close(m_handle); }

int CNetLine::ConnectWaitMs() { return g_connectWaitMs.load(); }

void CNetLine::SetConnectWaitMs(int waitMs) { g_connectWaitMs.store(waitMs > 0 ? waitMs : kDefaultConnectWaitMs); }

bool CNetLine::SendRaw(const std::vector<uint8_t>& bytes) {
  return netsock::Send(m_handle, bytes.data(), bytes.size(), kSendWaitMs);
}

template <typename Done>
bool CNetLine::Negotiate(int waitMs, Done done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  uint8_t buffer[256];
  std::vector<uint8_t> replies;
  while (!done()) {
    const auto left =
        std::chrono::duration_cast<std::chrono::microseconds>(deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0) return true;
    // Woken now and then, so `done` may also look at the clock.
    const int got =
        netsock::Receive(m_handle, buffer, sizeof buffer, static_cast<int>(std::min<int64_t>(left, 10'000)));
    if (got == 0) continue;
    if (got < 0) return false;
    if (m_address.kind == netaddr::Kind::Raw) continue;
    replies.clear();
    (void)m_telnet.Feed(buffer, static_cast<size_t>(got), replies);
    if (!replies.empty() && !SendRaw(replies)) return false;
  }
  return true;
}

CNetLine::Opened CNetLine::Open(const std::string& path, int32_t baudRate, bool setLine, int connectWaitMs) {
  // A server lets the device go a little after its client leaves (ser2net: tens of
  // milliseconds), and until then turns the next client away: our own previous
  // connection, closed a moment ago, must not make this one fail.
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReleaseWaitMs);
  for (;;) {
    Opened result = OpenOnce(path, baudRate, setLine, connectWaitMs);
    if (result.fault != Fault::ServerClosed || std::chrono::steady_clock::now() >= giveUp) return result;
    std::this_thread::sleep_for(std::chrono::milliseconds(kReleaseRetryMs));
  }
}

CNetLine::Opened CNetLine::OpenOnce(const std::string& path, int32_t baudRate, bool setLine, int connectWaitMs) {
  Opened result;
  const std::optional<netaddr::Address> address = netaddr::Parse(path);
  if (!address) {
    result.fault = Fault::BadAddress;
    return result;
  }
  const netsock::Connection connection =
      netsock::Connect(address->host, address->port, connectWaitMs > 0 ? connectWaitMs : ConnectWaitMs());
  result.fault = FaultOf(connection.fault);
  result.error = connection.error;
  if (connection.fault != netsock::Fault::None) return result;
  std::unique_ptr<CNetLine> line(new CNetLine(*address, connection.handle));

  bool open = true;
  if (address->kind == netaddr::Kind::Rfc2217) {
    rfc2217::CTelnetClient& telnet = line->m_telnet;
    open = line->SendRaw(telnet.Offers()) && line->Negotiate(kOfferWaitMs, [&] { return telnet.ComPortAnswered(); });
    if (open && telnet.BinaryRefused()) line->m_notes += "BINARY: refused by the server; bytes may change on the way\n";
    if (open && !telnet.ComPortAnswered()) line->m_notes += "COM-PORT-OPTION: no answer from the server\n";
    if (open && telnet.ComPortAnswered() && !telnet.ComPortAccepted()) {
      line->m_notes += "COM-PORT-OPTION: refused by the server; the line keeps the server's settings\n";
    }
    if (open && setLine && telnet.ComPortAccepted()) {
      // A server answers what it can at once; what it cannot do (DTR on a
      // pseudo-terminal) it may never answer, so a quiet moment after the last
      // answer ends the wait rather than the whole bound.
      size_t answers = 0;
      auto lastAnswer = std::chrono::steady_clock::now();
      const auto quietEnough = [&] {
        const auto now = std::chrono::steady_clock::now();
        if (telnet.SettingsAnswerCount() != answers) {
          answers = telnet.SettingsAnswerCount();
          lastAnswer = now;
        }
        return telnet.SettingsAnswered() || (answers > 0 && now - lastAnswer >= kQuietAfterAnswers);
      };
      open = line->SendRaw(telnet.LineSettings(baudRate)) && line->Negotiate(kSettingsWaitMs, quietEnough);
      for (const std::string& note : telnet.SettingNotes()) line->m_notes += note + "\n";
    }
  }
  // A server that turns a client away says so and closes right after accepting
  // (ser2net: after the option answers); where the settings' answers did not show
  // it, a short look does.
  if (open && (address->kind == netaddr::Kind::Raw || !setLine)) {
    open = line->Negotiate(kRefusalWaitMs, [] { return false; });
  }
  // A flood of option requests is no client turned away, whether or not the
  // server also closed.
  if (line->m_telnet.Flooded()) {
    result.fault = Fault::NotRfc2217;
    return result;
  }
  if (!open) {
    result.fault = Fault::ServerClosed;
    return result;
  }
  result.fault = Fault::None;
  result.line = std::move(line);
  return result;
}

int CNetLine::Read(uint8_t* buffer, size_t size, int waitMicros) {
  const int got = netsock::Receive(m_handle, buffer, size, waitMicros);
  if (got <= 0 || m_address.kind == netaddr::Kind::Raw) return got;
  std::vector<uint8_t> replies;
  const size_t kept = m_telnet.Feed(buffer, static_cast<size_t>(got), replies);
  if (!replies.empty() && !SendRaw(replies)) return -1;
  return static_cast<int>(kept);
}

bool CNetLine::Write(const uint8_t* data, size_t size) {
  if (m_address.kind == netaddr::Kind::Raw) return netsock::Send(m_handle, data, size, kSendWaitMs);
  m_outgoing.clear();
  rfc2217::CTelnetClient::Escape(data, size, m_outgoing);
  return SendRaw(m_outgoing);
}
