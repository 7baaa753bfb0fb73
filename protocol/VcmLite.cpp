#include "protocol/VcmLite.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Discarding stops after this much even if the line keeps talking, so a device
// that streams without pause cannot hang the program.
constexpr int kDiscardMaxBytes = 64 * 1024;
constexpr uint32_t kDiscardMaxMs = 500;
// After a failure the line is taken as quiet once a 20-byte read has waited out
// its whole time-out (1 ms + 1 ms per byte) without a byte: a shorter pause, such
// as a slow line's byte time or the gap between a USB adapter's packets, would
// leave the rest of a late answer to spoil the next transaction.
constexpr int kFailureQuietMicros = 21'000;
// Shortest quiet that still lets a byte on its way through the adapter arrive.
constexpr int kMinQuietMicros = 300;
// How long a drive may take to answer the link check's "abc".
constexpr uint32_t kAnswerWaitMs = 20;

bool StartsWithNoCase(const char* text, const char* prefix) {
  for (; *prefix; ++text, ++prefix) {
    if (std::toupper(static_cast<unsigned char>(*text)) != std::toupper(static_cast<unsigned char>(*prefix))) {
      return false;
    }
  }
  return true;
}

// Whether the line that mnemonic and argument make begins with a command that
// changes what the drive keeps. The line is judged as it goes out, so a short
// mnemonic cannot spell one together with its argument.
bool ChangesDrive(const char* mnemonic, const char* argument) {
  std::string line;
  for (int i = 0; i < 3 && mnemonic[i] != '\0'; ++i) line += mnemonic[i];
  if (argument) line += argument;
  for (const char* guarded : {"MDA", "SDP", "SMP", "MDB"}) {
    if (StartsWithNoCase(line.c_str(), guarded)) return true;
  }
  return false;
}

}  // namespace

CVcmLite::CVcmLite() : m_clock(SteadyMilliseconds) {}

CVcmLite::~CVcmLite() = default;

void CVcmLite::SetClock(MsClock clock) { m_clock = clock ? std::move(clock) : MsClock(SteadyMilliseconds); }

int CVcmLite::ByteTimeMicros() const {
  const int32_t baud = GetBaudRate() > 0 ? GetBaudRate() : 115200;
  return static_cast<int>(10'000'000LL / baud) + 1;
}

void CVcmLite::DiscardPendingInput(int quietMicros) {
  if (!IsOpen()) return;
  uint8_t scratch[20];
  const uint32_t start = m_clock();
  int discarded = 0;
  for (;;) {
    const int got = ReadBytesWithin(scratch, sizeof scratch, quietMicros);
    if (got <= 0) return;  // quiet line, or a read error (the port-lost rule has run)
    discarded += got;
    if (discarded >= kDiscardMaxBytes || m_clock() - start > kDiscardMaxMs) return;
  }
}

void CVcmLite::DiscardAnswerLine() {
  if (!IsOpen()) return;
  // Wait a while for the drive's answer line; once it has ended, only what is
  // still on the wire behind it is left to drop.
  const int shortQuiet = std::max(kMinQuietMicros, 3 * ByteTimeMicros());
  const uint32_t start = m_clock();
  bool inLine = false;
  bool lineEnded = false;
  int discarded = 0;
  for (;;) {
    uint8_t scratch[20];
    const int got = ReadBytesWithin(scratch, sizeof scratch, lineEnded ? shortQuiet : 1000);
    if (got < 0) return;
    if (got == 0) {
      if (lineEnded || m_clock() - start > kAnswerWaitMs) return;
      continue;
    }
    for (int i = 0; i < got; ++i) {
      if (scratch[i] >= 0x20) inLine = true;
      else if (inLine) lineEnded = true;
    }
    discarded += got;
    if (discarded >= kDiscardMaxBytes || m_clock() - start > kDiscardMaxMs) return;
  }
}

void CVcmLite::RecordFailure(int code) {
  m_lastResult = code;
  DiscardPendingInput(std::max(kFailureQuietMicros, 3 * ByteTimeMicros()));
}

void CVcmLite::WriteTrace() {
  // At most 255 characters are kept; a long answer is cut, never overrun.
  const std::string trace = std::string("  Send : ") + m_send + "  Recv : " + m_receive;
  const size_t kept = std::min(trace.size(), sizeof m_trace - 1);
  std::memcpy(m_trace, trace.data(), kept);
  m_trace[kept] = '\0';
}

bool CVcmLite::SendRaw(const char* bytes, size_t count) {
  if (!IsOpen()) return false;
  return WriteAll(reinterpret_cast<const uint8_t*>(bytes), count);
}

int CVcmLite::SendCommand(const char* mnemonic, const char* argument) {
  // Up to three command characters: a shorter mnemonic sends only what it has.
  char command[4] = {};
  for (int i = 0; i < 3 && mnemonic[i] != '\0'; ++i) command[i] = mnemonic[i];
  const char* arg = argument ? argument : "";
  const int length = std::snprintf(m_send, sizeof m_send, "%s%s\r\n", command, arg);
  // A write error is not a result of its own: the echo wait that follows fails
  // (at once when the port was lost), and its code is the one reported.
  (void)SendRaw(m_send, static_cast<size_t>(length));
  return length;
}

int CVcmLite::ReadByteWithin(uint32_t start, uint32_t limitMs, int timeoutCode, uint8_t& byte) {
  // The limit runs from the start of the wait and is checked before every byte,
  // so bytes that keep coming without completing what is awaited still end it.
  if (m_clock() - start > limitMs) {
    RecordFailure(timeoutCode);
    return timeoutCode;
  }
  const int got = IsOpen() ? ReadBytes(&byte, 1) : -1;
  if (got < 0) {
    RecordFailure(rc::PortFailure);
    return rc::PortFailure;
  }
  return got;
}

int CVcmLite::WaitEcho(const char* expected, int count) {
  const uint32_t start = m_clock();
  int matched = 0;
  int pending = rc::NoEcho;
  for (;;) {
    uint8_t byte = 0;
    const int got = ReadByteWithin(start, kEchoTimeoutMs, pending, byte);
    if (got < 0) return got;
    if (got == 0) continue;
    const uint8_t want = static_cast<uint8_t>(expected[matched]);
    if (matched == 0) {
      if (byte == want) {
        matched = 1;
      } else if (byte >= 0x21 && byte <= 0x7E) {
        pending = rc::IncorrectEcho;  // a stray printable byte only changes the code at time-out
      } else if (pending == rc::NoEcho && byte != '\r' && byte != '\n') {
        // Unprintable bytes and no echo are what a line at another baud rate makes
        // of the echo; line ends may be left over from a working line's answer.
        pending = rc::EchoUnreadable;
      }
    } else if (byte == want) {
      ++matched;
    } else {
      matched = 0;
      pending = rc::IncorrectEcho;
    }
    if (matched == count) return rc::Success;
  }
}

int CVcmLite::ReadResponse() {
  std::memset(m_receive, 0, sizeof m_receive);
  m_answerDamaged = false;
  const uint32_t start = m_clock();
  size_t count = 0;  // bytes of the line as they came, the limit's measure
  size_t kept = 0;   // characters in the receive buffer
  const auto keep = [this, &kept](const char* text) {
    for (; *text != '\0' && kept < kBufferSize - 1; ++text) m_receive[kept++] = *text;
  };
  for (;;) {
    uint8_t byte = 0;
    const int got = ReadByteWithin(start, kResponseTimeoutMs, rc::ResponseTimeout, byte);
    if (got < 0) return got;
    if (got == 0) continue;
    const bool control = byte < 0x20 || byte == 0x7F;
    // Line ends left over from the echo or an earlier line, and any other control
    // byte before the answer, vanish.
    if (control && count == 0) continue;
    if (byte == '\r' || byte == '\n') return static_cast<int>(count);
    if (control) {
      // A control byte inside the line is a damaged line, not its end: a value
      // cut short there ("OKY6" of "OKY6<0x10>0") would be taken as the drive's.
      // The rest of the line is still read, so the trace shows all of it.
      m_answerDamaged = true;
      char shown[8];
      (void)std::snprintf(shown, sizeof shown, "<0x%02X>", byte);  // six characters always fit
      keep(shown);
    } else {
      const char text[2] = {static_cast<char>(byte), '\0'};
      keep(text);
    }
    ++count;
    if (count == kBufferSize) {
      RecordFailure(rc::ResponseTooLong);
      return rc::ResponseTooLong;
    }
  }
}

int CVcmLite::Transact(const char* mnemonic, const char* argument, int32_t* dataLength) {
  if (ChangesDrive(mnemonic, argument)) {
    m_lastResult = rc::NeedsGate;
    return rc::NeedsGate;
  }
  return TransactAny(mnemonic, argument, dataLength);
}

int CVcmLite::Transact(ChangeCommandKey /*key*/, const char* mnemonic, const char* argument, int32_t* dataLength) {
  return TransactAny(mnemonic, argument, dataLength);
}

int CVcmLite::TransactAny(const char* mnemonic, const char* argument, int32_t* dataLength) {
  std::lock_guard<std::recursive_mutex> hold(m_lock);
  const size_t argumentLength = argument ? std::strlen(argument) : 0;
  // Three command characters, the argument and CR LF must fit with the closing NUL.
  if (argumentLength > kBufferSize - 6) {
    RecordFailure(rc::CommandTooLong);
    return rc::CommandTooLong;
  }
  const int length = SendCommand(mnemonic, argument);
  const int echo = WaitEcho(m_send, length);
  if (echo != rc::Success) return echo;

  const int lineLength = ReadResponse();
  if (lineLength < 0) {
    WriteTrace();
    return rc::NoResponseLine;
  }
  if (m_answerDamaged) {
    RecordFailure(rc::UnknownResponse);
    WriteTrace();
    return rc::UnknownResponse;
  }
  if (StartsWithNoCase(m_receive, "OKY")) {
    if (dataLength) *dataLength = lineLength - 3;
    return rc::Success;
  }
  const int code = StartsWithNoCase(m_receive, "ERR") ? rc::Refused : rc::UnknownResponse;
  RecordFailure(code);
  WriteTrace();
  return code;
}

int CVcmLite::CheckLink() {
  static const char kProbe[] = "abc\r\n";
  const int shortQuiet = std::max(kMinQuietMicros, 3 * ByteTimeMicros());
  int result = rc::NoEcho;
  for (int attempt = 0; attempt < 2; ++attempt) {
    DiscardPendingInput(shortQuiet);
    (void)SendRaw(kProbe, 5);  // a failed write fails the echo wait below
    result = WaitEcho(kProbe, 5);
    if (result == rc::Success) break;
  }
  // "abc" is no command: whatever the drive answers to it is dropped.
  DiscardAnswerLine();
  return result;
}
