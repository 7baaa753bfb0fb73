#pragma once
// The client side of Telnet with the COM port control option, without any I/O:
// what to send to open the line and set it up, how to escape outgoing bytes, and
// how incoming bytes split into the drive's data, answers to our settings and
// requests the server makes of us. A network line feeds it what it receives and
// sends what it says to.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace rfc2217 {

constexpr uint8_t kIac = 255;
constexpr uint8_t kDont = 254;
constexpr uint8_t kDo = 253;
constexpr uint8_t kWont = 252;
constexpr uint8_t kWill = 251;
constexpr uint8_t kSb = 250;
constexpr uint8_t kSe = 240;

constexpr uint8_t kBinary = 0;
constexpr uint8_t kSuppressGoAhead = 3;
constexpr uint8_t kComPort = 44;

// Commands of the COM port option, client to server; the server answers each
// with the same number plus kServerOffset.
constexpr uint8_t kSetBaudRate = 1;
constexpr uint8_t kSetDataSize = 2;
constexpr uint8_t kSetParity = 3;
constexpr uint8_t kSetStopSize = 4;
constexpr uint8_t kSetControl = 5;
constexpr uint8_t kNotifyLineState = 6;
constexpr uint8_t kNotifyModemState = 7;
constexpr uint8_t kPurgeData = 12;
constexpr uint8_t kServerOffset = 100;

class CTelnetClient {
 public:
  // BINARY both ways, SUPPRESS-GO-AHEAD both ways, and our willingness to send
  // COM port commands.
  std::vector<uint8_t> Offers();
  // The line settings (8N1 at `baudRate`, no flow control, DTR and RTS on) and
  // a purge of both of the server's buffers; each is then awaited.
  std::vector<uint8_t> LineSettings(int32_t baudRate);
  // `data` with every IAC doubled, appended to `out`.
  static void Escape(const uint8_t* data, size_t size, std::vector<uint8_t>& out);

  // Splits received bytes: the drive's bytes are written over the front of
  // `bytes` (never more than came in) and counted in the result; what we must
  // say back is appended to `replies`.
  size_t Feed(uint8_t* bytes, size_t size, std::vector<uint8_t>& replies);

  // The server refused binary mode either way: a Telnet line that is not binary
  // may change line ends and other bytes on the way.
  bool BinaryRefused() const { return m_oursBinary == Option::Off || m_theirsBinary == Option::Off; }
  // The server has asked more than any server setting up a line would: it gets
  // no more answers, and is no server to drive a line through.
  bool Flooded() const { return m_requests > kMostRequests; }
  // The server has agreed to (or refused) the COM port option.
  bool ComPortAnswered() const { return m_comPort != Option::Offered; }
  bool ComPortAccepted() const { return m_comPort == Option::On; }
  // Every setting sent has been answered.
  bool SettingsAnswered() const;
  size_t SettingsAnswerCount() const;
  // What the server did not confirm, or confirmed with another value, one note
  // each, for the line's trace. Settings still unanswered are named too.
  std::vector<std::string> SettingNotes() const;

 private:
  enum class Option { Off, Offered, On };
  // A server sets up a line with a handful of requests; a hundred is no set-up.
  static constexpr unsigned kMostRequests = 100;
  enum class State { Data, Iac, Verb, Sub, SubIac };
  struct Setting {
    uint8_t command;
    std::vector<uint8_t> value;
    bool answered = false;
    std::vector<uint8_t> answer;
  };

  void Subnegotiation(std::vector<uint8_t>& replies);
  void Negotiate(uint8_t verb, uint8_t option, std::vector<uint8_t>& replies);
  void AddSetting(std::vector<uint8_t>& out, uint8_t command, std::vector<uint8_t> value);

  State m_state = State::Data;
  uint8_t m_verb = 0;
  std::vector<uint8_t> m_sub;
  // Ours: what we send. Theirs: what the server sends.
  Option m_oursBinary = Option::Off, m_oursSga = Option::Off, m_comPort = Option::Off;
  Option m_theirsBinary = Option::Off, m_theirsSga = Option::Off;
  std::vector<Setting> m_settings;
  unsigned m_requests = 0;
};

}  // namespace rfc2217
