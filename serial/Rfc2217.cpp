#include "serial/Rfc2217.h"

namespace rfc2217 {
namespace {

constexpr uint8_t kParityNone = 1;
constexpr uint8_t kStopBitsOne = 1;
constexpr uint8_t kControlNoFlow = 1;
constexpr uint8_t kControlDtrOn = 8;
constexpr uint8_t kControlRtsOn = 11;
constexpr uint8_t kPurgeBoth = 3;

void Put(std::vector<uint8_t>& out, std::initializer_list<uint8_t> bytes) { out.insert(out.end(), bytes); }

std::string SettingName(uint8_t command, const std::vector<uint8_t>& value) {
  switch (command) {
    case kSetBaudRate: return "SET-BAUDRATE";
    case kSetDataSize: return "SET-DATASIZE";
    case kSetParity: return "SET-PARITY";
    case kSetStopSize: return "SET-STOPSIZE";
    case kSetControl:
      if (!value.empty() && value[0] == kControlDtrOn) return "SET-CONTROL (DTR on)";
      if (!value.empty() && value[0] == kControlRtsOn) return "SET-CONTROL (RTS on)";
      return "SET-CONTROL (no flow control)";
    case kPurgeData: return "PURGE-DATA";
    default: return "command " + std::to_string(command);
  }
}

std::string ValueText(const std::vector<uint8_t>& value) {
  if (value.size() == 4) {
    const uint32_t number =
        (uint32_t{value[0]} << 24) | (uint32_t{value[1]} << 16) | (uint32_t{value[2]} << 8) | value[3];
    return std::to_string(number);
  }
  std::string text;
  for (const uint8_t byte : value) text += (text.empty() ? "" : " ") + std::to_string(byte);
  return text;
}

}  // namespace

std::vector<uint8_t> CTelnetClient::Offers() {
  std::vector<uint8_t> out;
  Put(out, {kIac, kWill, kBinary, kIac, kDo, kBinary, kIac, kWill, kSuppressGoAhead, kIac, kDo, kSuppressGoAhead, kIac,
            kWill, kComPort});
  m_oursBinary = m_oursSga = m_comPort = Option::Offered;
  m_theirsBinary = m_theirsSga = Option::Offered;
  return out;
}

void CTelnetClient::Escape(const uint8_t* data, size_t size, std::vector<uint8_t>& out) {
  for (size_t i = 0; i < size; ++i) {
    out.push_back(data[i]);
    if (data[i] == kIac) out.push_back(kIac);
  }
}

void CTelnetClient::AddSetting(std::vector<uint8_t>& out, uint8_t command, std::vector<uint8_t> value) {
  Put(out, {kIac, kSb, kComPort, command});
  Escape(value.data(), value.size(), out);
  Put(out, {kIac, kSe});
  m_settings.push_back(Setting{command, std::move(value), false, {}});
}

std::vector<uint8_t> CTelnetClient::LineSettings(int32_t baudRate) {
  const auto rate = static_cast<uint32_t>(baudRate);
  std::vector<uint8_t> out;
  AddSetting(out, kSetBaudRate,
             {static_cast<uint8_t>(rate >> 24), static_cast<uint8_t>(rate >> 16), static_cast<uint8_t>(rate >> 8),
              static_cast<uint8_t>(rate)});
  AddSetting(out, kSetDataSize, {8});
  AddSetting(out, kSetParity, {kParityNone});
  AddSetting(out, kSetStopSize, {kStopBitsOne});
  AddSetting(out, kSetControl, {kControlNoFlow});
  AddSetting(out, kSetControl, {kControlDtrOn});
  AddSetting(out, kSetControl, {kControlRtsOn});
  AddSetting(out, kPurgeData, {kPurgeBoth});
  return out;
}

bool CTelnetClient::SettingsAnswered() const {
  for (const Setting& setting : m_settings) {
    if (!setting.answered) return false;
  }
  return true;
}

size_t CTelnetClient::SettingsAnswerCount() const {
  size_t count = 0;
  for (const Setting& setting : m_settings) count += setting.answered ? 1 : 0;
  return count;
}

std::vector<std::string> CTelnetClient::SettingNotes() const {
  std::vector<std::string> notes;
  for (const Setting& setting : m_settings) {
    const std::string name = SettingName(setting.command, setting.value);
    if (!setting.answered) {
      notes.push_back(name + " " + ValueText(setting.value) + ": not confirmed by the server");
    } else if (setting.answer != setting.value) {
      notes.push_back(name + " " + ValueText(setting.value) + ": the server answered " + ValueText(setting.answer));
    }
  }
  return notes;
}

size_t CTelnetClient::Feed(uint8_t* bytes, size_t size, std::vector<uint8_t>& replies) {
  size_t kept = 0;
  for (size_t i = 0; i < size; ++i) {
    const uint8_t byte = bytes[i];
    switch (m_state) {
      case State::Data:
        if (byte == kIac) m_state = State::Iac;
        else bytes[kept++] = byte;
        break;
      case State::Iac:
        if (byte == kIac) {
          bytes[kept++] = kIac;
          m_state = State::Data;
        } else if (byte == kSb) {
          m_sub.clear();
          m_state = State::Sub;
        } else if (byte >= kWill && byte <= kDont) {
          m_verb = byte;
          m_state = State::Verb;
        } else {
          m_state = State::Data;  // NOP, GA and the other one-byte commands mean nothing here
        }
        break;
      case State::Verb:
        Negotiate(m_verb, byte, replies);
        m_state = State::Data;
        break;
      case State::Sub:
        if (byte == kIac) m_state = State::SubIac;
        else if (m_sub.size() < 64) m_sub.push_back(byte);  // no answer of the option is longer
        break;
      case State::SubIac:
        if (byte == kSe) {
          Subnegotiation(replies);
          m_state = State::Data;
        } else {
          // A doubled IAC is a value byte; anything else ends a malformed one.
          if (m_sub.size() < 64) m_sub.push_back(byte);
          m_state = byte == kIac ? State::Sub : State::Data;
        }
        break;
    }
  }
  return kept;
}

void CTelnetClient::Negotiate(uint8_t verb, uint8_t option, std::vector<uint8_t>& replies) {
  // Answering a flood in kind would keep both sides busy for ever.
  if (++m_requests > kMostRequests) return;
  // Options we send (the server's DO / DONT) and options it sends (WILL / WONT).
  Option* ours = option == kBinary            ? &m_oursBinary
                 : option == kSuppressGoAhead ? &m_oursSga
                 : option == kComPort         ? &m_comPort
                                              : nullptr;
  Option* theirs = option == kBinary ? &m_theirsBinary : option == kSuppressGoAhead ? &m_theirsSga : nullptr;
  // A request is answered only when it changes the state, so the two sides never
  // echo each other for ever.
  switch (verb) {
    case kDo:
      if (!ours) {
        Put(replies, {kIac, kWont, option});
      } else if (*ours != Option::On) {
        if (*ours == Option::Off) Put(replies, {kIac, kWill, option});
        *ours = Option::On;
      }
      break;
    case kDont:
      if (ours && *ours != Option::Off) {
        if (*ours == Option::On) Put(replies, {kIac, kWont, option});
        *ours = Option::Off;
      }
      break;
    case kWill:
      if (!theirs) {
        Put(replies, {kIac, kDont, option});
      } else if (*theirs != Option::On) {
        if (*theirs == Option::Off) Put(replies, {kIac, kDo, option});
        *theirs = Option::On;
      }
      break;
    case kWont:
      if (theirs && *theirs != Option::Off) {
        if (*theirs == Option::On) Put(replies, {kIac, kDont, option});
        *theirs = Option::Off;
      }
      break;
    default: break;
  }
}

void CTelnetClient::Subnegotiation(std::vector<uint8_t>& replies) {
  (void)replies;  // nothing the server says in a subnegotiation needs an answer from a client
  if (m_sub.size() < 2 || m_sub[0] != kComPort) return;
  const uint8_t code = m_sub[1];
  // Line and modem state notices are the server's own news: consumed.
  if (code <= kServerOffset) return;
  const uint8_t command = static_cast<uint8_t>(code - kServerOffset);
  if (command == kNotifyLineState || command == kNotifyModemState) return;
  for (Setting& setting : m_settings) {
    if (setting.command == command && !setting.answered) {
      setting.answered = true;
      setting.answer.assign(m_sub.begin() + 2, m_sub.end());
      return;
    }
  }
}

}  // namespace rfc2217
