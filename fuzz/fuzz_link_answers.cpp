// The transaction engine and the drive's command set reading whatever a line can
// bring back: noise, wrong or missing echoes, cut, long or unknown answers, pauses
// past the limits, a port that is pulled. The port is a stand-in for CRs232CB
// linked in place of the real one (same header, so the engine is built exactly as
// shipped), fed from the input and timed by a clock of its own: every wait for a
// byte that is not there moves the clock on by that wait, so a run is fast and
// repeatable.
//
// Input: one byte choosing the baud rate, then operations, each an op byte and its
// arguments. Every time the engine writes to the port, the next reply segment is
// taken from the input: a head byte (kind in the top two bits, a count n below)
// and n bytes. Kinds: 0 the echo of what was written, then n bytes; 1 n bytes and
// no echo; 2 the echo, "OKY", n bytes and CR LF; 3 the echo, a silence of n*100 ms
// and a further segment (n = 63: the port is lost instead).

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/ResultCodes.h"
#include "protocol/VcmCommand.h"
#include "serial/NetLine.h"
#include "serial/Rs232.h"
#include "tests/support/WriteKey.h"

namespace {

class Input {
 public:
  Input(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
  bool Empty() const { return m_at >= m_size; }
  uint8_t Byte() { return Empty() ? 0 : m_data[m_at++]; }
  std::string Take(size_t count) {
    count = std::min(count, m_size - std::min(m_at, m_size));
    std::string taken(reinterpret_cast<const char*>(m_data + m_at), count);
    m_at += count;
    return taken;
  }

 private:
  const uint8_t* m_data;
  size_t m_size;
  size_t m_at = 0;
};

// One piece of what the line brings: bytes, or a silence of so many microseconds.
struct Piece {
  std::string bytes;
  uint64_t silenceMicros = 0;
};

struct FakeLine {
  Input* input = nullptr;
  std::deque<Piece> pending;
  bool lost = false;
  uint64_t nowMicros = 0;
};

FakeLine g_line;

void Fail(const char* what) {
  std::fprintf(stderr, "fuzz_link_answers: %s\n", what);
  std::abort();
}

// The drive's side of one write: what comes back, taken from the input.
void Answer(std::string_view written) {
  Input& input = *g_line.input;
  for (int segments = 0; segments < 8; ++segments) {
    const uint8_t head = input.Byte();
    const int kind = head >> 6;
    const size_t count = head & 0x3F;
    if (kind != 1) g_line.pending.push_back({std::string(written), 0});
    if (kind == 3) {
      if (count == 63) {
        g_line.lost = true;
        return;
      }
      g_line.pending.push_back({std::string(), count * 100'000});
      continue;
    }
    std::string bytes = kind == 2 ? "OKY" : "";
    bytes += input.Take(count);
    if (kind == 2) bytes += "\r\n";
    g_line.pending.push_back({bytes, 0});
    return;
  }
}

}  // namespace

// --- the stand-in port -------------------------------------------------------

CRs232CB::CRs232CB() = default;
CRs232CB::~CRs232CB() = default;
// This port never has a network line; its owner's destructor still names the type's.
CNetLine::~CNetLine() = default;

void CRs232CB::ListPorts(std::vector<unsigned>& ports) { ports.clear(); }

int CRs232CB::Open(uint8_t port, int32_t baudRate) {
  Close();
  g_line.lost = false;
  g_line.pending.clear();
  m_portNumber = port;
  m_baudRate = baudRate;
  m_open = 1;
  return 1;
}

void CRs232CB::Close() {
  if (!m_open) return;
  GiveUpPort();
}

void CRs232CB::GiveUpPort() {
  m_open = 0;
  OnPortReleased();
}

bool CRs232CB::FailedBecauseLost(int) { return false; }

int CRs232CB::ReadBytes(uint8_t* buffer, size_t size) { return ReadBytesWithin(buffer, size, 1000); }

int CRs232CB::ReadBytesWithin(uint8_t* buffer, size_t size, int maxWaitMicros) {
  if (size == 0) return 0;
  if (!m_open) return -1;
  while (!g_line.pending.empty()) {
    Piece& front = g_line.pending.front();
    if (front.silenceMicros > 0) {
      const uint64_t waited = std::min<uint64_t>(front.silenceMicros, static_cast<uint64_t>(maxWaitMicros));
      front.silenceMicros -= waited;
      g_line.nowMicros += waited;
      if (front.silenceMicros == 0) g_line.pending.pop_front();
      return 0;
    }
    if (front.bytes.empty()) {
      g_line.pending.pop_front();
      continue;
    }
    const size_t count = std::min(size, front.bytes.size());
    std::memcpy(buffer, front.bytes.data(), count);
    front.bytes.erase(0, count);
    return static_cast<int>(count);
  }
  if (g_line.lost) {
    GiveUpPort();
    return -1;
  }
  g_line.nowMicros += static_cast<uint64_t>(std::max(maxWaitMicros, 1));
  return 0;
}

bool CRs232CB::WriteAll(const uint8_t* data, size_t size) {
  if (!m_open) return false;
  if (g_line.lost) {
    GiveUpPort();
    return false;
  }
  Answer(std::string_view(reinterpret_cast<const char*>(data), size));
  return true;
}

// --- the engine under the input ------------------------------------------------

namespace {

// The longest a transaction may take: the echo's and the answer's limits, and the
// bounded discard of what follows a failure, with a few waits' slack.
constexpr uint64_t kTransactionMs = CVcmLite::kEchoTimeoutMs + CVcmLite::kResponseTimeoutMs + 600;
constexpr uint64_t kLinkCheckMs = 2 * (500 + CVcmLite::kEchoTimeoutMs + 100) + 600;

bool KnownResult(int result) {
  switch (result) {
    case rc::Success:
    case rc::Failure:
    case rc::IncorrectEcho:
    case rc::NoEcho:
    case rc::EchoUnreadable:
    case rc::ResponseTimeout:
    case rc::PortFailure:
    case rc::ResponseTooLong:
    case rc::UnknownResponse:
    case rc::NoResponseLine:
    case rc::CommandTooLong:
    case rc::AddressMismatch:
    case rc::NeedsGate:
    case rc::Refused: return true;
    default: return false;
  }
}

int32_t Int32(Input& input) {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value = (value << 8) | input.Byte();
  return static_cast<int32_t>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input input(data, size);
  g_line = FakeLine{};
  g_line.input = &input;
  static const int32_t kBauds[] = {9600, 115200, 921600};

  CVcmCommand link;
  link.SetClock([] { return static_cast<uint32_t>(g_line.nowMicros / 1000); });
  link.Open(1, kBauds[input.Byte() % 3]);
  std::vector<int32_t> addresses;

  for (int op = 0; op < 48 && !input.Empty(); ++op) {
    const uint8_t code = input.Byte();
    const uint64_t start = g_line.nowMicros / 1000;
    uint64_t limit = kTransactionMs;
    int result = rc::Success;
    int32_t address = 0;
    switch (code % 7) {
      case 0: result = link.ReadVersion(); break;
      case 1:
      case 2:
        address = static_cast<int8_t>(input.Byte());
        addresses.push_back(address);
        result = link.ReadParam(address);
        limit = 2 * kTransactionMs + 600;
        break;
      case 3:
        address = static_cast<int8_t>(input.Byte());
        addresses.push_back(address);
        result = WriteParamForTest(link, address, Int32(input));
        limit = 2 * kTransactionMs + 600;
        break;
      case 4:
        result = link.CheckLink();
        limit = kLinkCheckMs;
        break;
      case 5: {
        const std::string mnemonic = input.Take(3);
        const std::string argument = input.Take(input.Byte());
        if (argument.find('\0') != std::string::npos || mnemonic.find('\0') != std::string::npos) break;
        int32_t length = -1;
        result = link.Transact(mnemonic.c_str(), argument.c_str(), &length);
        if (result == rc::Success && length != static_cast<int32_t>(std::strlen(link.GetReceiveBuffer())) - 3) {
          Fail("the data length does not match the answer line");
        }
        for (const char* p = link.GetReceiveBuffer(); result == rc::Success && *p != '\0'; ++p) {
          if (static_cast<unsigned char>(*p) < 0x20 || *p == 0x7F) Fail("an answer with a control byte taken as good");
        }
        break;
      }
      default:
        if (!link.IsOpen()) link.Open(1, kBauds[code % 3]);  // the adapter plugged in again
        continue;
    }

    if (!KnownResult(result)) Fail("a result code outside the known set");
    if (g_line.nowMicros / 1000 - start > limit) Fail("an operation took longer than its limits");
    if (strnlen(link.GetReceiveBuffer(), CVcmLite::kBufferSize) >= CVcmLite::kBufferSize) {
      Fail("the receive buffer lost its terminator");
    }
    if (strnlen(link.GetTrace(), CVcmLite::kBufferSize) >= CVcmLite::kBufferSize) Fail("the trace overran");
    for (const unsigned char c : link.GetVersion()) {
      if (c < 0x20 || c == 0x7F) Fail("a control character in the version");
    }
    if ((code % 7 == 1 || code % 7 == 2)) {
      const CachedParam* cached = link.FindCachedParam(address);
      // A read is done only with an answer that is a whole number of 32 bits.
      if (result == rc::Success &&
          (!cached || !link.ParseResponseNumber() || cached->value != link.ParseResponseNumber())) {
        Fail("a read reported done without the value the drive gave");
      }
      if (result != rc::Success && cached) Fail("a failed read left a value in the cache");
    }
    if (!link.IsOpen()) {
      // What was learned from the drive behind a lost port no longer holds.
      for (const int32_t known : addresses) {
        if (link.FindCachedParam(known)) Fail("the cache outlived the port");
      }
      if (!link.GetVersion().empty()) Fail("the version outlived the port");
    }
  }
  return 0;
}
