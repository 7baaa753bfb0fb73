#include "tools/SimDrive.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "tools/SimTermios.h"
#include "tools/SimUart.h"

namespace {

using Ns = int64_t;

Ns NowNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<Ns>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// A timed sleep wakes some tens of microseconds late on a busy machine, which on
// a fast line is as long as several bytes. So the sleep ends a little early and
// the rest is waited out on the clock; that short spin is the whole CPU cost.
constexpr Ns kSpinNs = 50'000;

void SleepUntil(Ns when) {
  const Ns wakeAt = when - kSpinNs;
  if (wakeAt > NowNs()) {
    timespec at{static_cast<time_t>(wakeAt / 1'000'000'000), static_cast<long>(wakeAt % 1'000'000'000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {
    }
  }
  while (NowNs() < when) {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
  }
}

// Below this the thread sleeps to the exact release time instead of polling.
constexpr Ns kExactSleepNs = 2'000'000;
// How long a line ended by CR waits for its LF before it is answered alone.
constexpr Ns kLfGraceNs = 20'000'000;
// A line that never ends is cut here so it cannot grow without bound.
constexpr size_t kMaxLine = 4096;
// How long a hang-up after an echo waits for the port to read that echo.
constexpr Ns kHangUpWaitNs = 1'000'000'000;
// How often that is checked.
constexpr Ns kHangUpCheckNs = 200'000;
// How often a line left marked exclusive by a program that died holding it is looked for.
constexpr Ns kStaleExclusiveCheckNs = 200'000'000;
// Time after which written bytes are surely in the port's buffer.
constexpr Ns kEchoArrivalNs = 20'000'000;

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// Optional blanks, optional sign, digits, optional blanks; nothing else.
std::optional<int64_t> ParseInteger(const std::string& text) {
  size_t i = text.find_first_not_of(' ');
  if (i == std::string::npos) return std::nullopt;
  bool negative = false;
  if (text[i] == '-' || text[i] == '+') negative = text[i++] == '-';
  const size_t digits = i;
  int64_t value = 0;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
    if (value > (INT64_MAX - 9) / 10) return std::nullopt;
    value = value * 10 + (text[i++] - '0');
  }
  if (i == digits) return std::nullopt;
  if (text.find_first_not_of(' ', i) != std::string::npos) return std::nullopt;
  return negative ? -value : value;
}

int32_t ClampToInt32(int64_t value) { return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX)); }

// Parameters start as 1000 + address, so every address holds a different value
// that also tells a test which address it came from.
int32_t DefaultValue(int32_t address) { return 1000 + address; }

struct Burst {
  Ns release;  // not readable before this
  std::string bytes;
  bool hangUpAfter;  // close the line once written
  Ns comeBackAfter;  // > 0: closed at once and opened again after this long
};

// How one command is answered, apart from the echo's own bytes.
struct Reply {
  std::string answer;   // sent after the echo; empty: no answer
  bool hangUp = false;  // close the line once the port has read the echo
  bool faulty = false;  // the faulty-line mode shaped this reply
  bool dropEcho = false;
  bool wrongEcho = false;
  std::string noise;  // before the echo
  Ns delay = 0;       // > 0: the answer leaves this long after the command came
  std::string stray;  // after the answer
  Ns down = 0;        // > 0: the line goes away at once for this long
};

// The answer line (without its line end) cut to the share kept, so that at least
// one byte is missing: a cut answer never ends its line.
std::string CutShort(const std::string& answer, double share) {
  const size_t line = answer.size() >= 2 ? answer.size() - 2 : answer.size();
  return answer.substr(0, static_cast<size_t>(share * static_cast<double>(line)));
}

// Points `link` at `target` in one step, so a port opening it never finds it missing.
void PointLink(const std::string& link, const std::string& target) {
  if (link.empty()) return;
  const std::string temporary = link + ".new";
  unlink(temporary.c_str());
  if (symlink(target.c_str(), temporary.c_str()) != 0 || rename(temporary.c_str(), link.c_str()) != 0) {
    unlink(temporary.c_str());
  }
}

}  // namespace

struct CSimDrive::Impl {
  // Guarded by `lock`: settings, drive state and counters.
  mutable std::mutex lock;
  int32_t baudOverride = 0;
  int32_t listenBaud = 0;
  bool wireTime = true;
  SimFaults faults;
  std::string version = "QDS-2 ver.1.04.007.12 std";
  std::map<int32_t, int32_t> params;
  std::map<int32_t, int32_t> saved;  // flash, as of the last SDP or SMP
  std::map<int32_t, std::pair<int32_t, int32_t>> limits;
  int32_t selected = 0;
  CSimStatus status;
  std::vector<std::string> received;
  std::vector<CSimDrive::Arrival> arrivals;
  uint64_t bytesSent = 0;
  std::string devicePath;
  std::string linkPath;
  CChaosDice dice;
  SimChaosStats chaosStats;
  bool hangUpRequested = false;
  std::condition_variable changed;

  std::thread thread;
  std::atomic<bool> stopping{false};
  std::atomic<bool> running{false};
  std::atomic<bool> lineUp{false};
  std::thread::id threadId;
  int master = -1;
  // Our own handle on the slave side: without it the master reports a hang-up
  // (and poll never sleeps) whenever no port has the device open.
  int slave = -1;
  int wake[2] = {-1, -1};

  // Thread-only state.
  std::deque<Burst> queue;
  Ns lineFree = 0;  // when the last scheduled byte has left the wire
  std::string line;
  bool awaitingLf = false;
  Ns lfDeadline = 0;
  Reply deferred;
  Ns faultBytesDue = 0;  // mirrors chaosStats.faultBytesDueNs
  Ns reopenAt = 0;       // > 0: when a hung-up line comes back
  // A hang-up after an echo waits until the port has read the echo, as if the
  // cable came out just after the last byte arrived; otherwise the kernel would
  // drop the echo together with the line.
  bool hangUpWhenRead = false;
  Ns hangUpDeadline = 0;
  bool echoArrived = false;
  Ns nextExclusiveCheck = 0;

  Impl() {
    for (int32_t address = 0; address < 100; ++address) params[address] = DefaultValue(address);
    saved = params;
  }

  void Run();
  void Process(const uint8_t* bytes, size_t count, Ns received);
  Ns ByteTime();
  // The drive's own rate and the port's, when they differ; none while they agree.
  std::optional<std::pair<int32_t, int32_t>> RateMismatch();
  void Schedule(std::string bytes, Ns ready, bool hangUpAfter = false, bool faulty = false, Ns comeBack = 0);
  Ns SendReply(std::string echo, const Reply& reply, Ns ready, const SimFaults& current);
  void NoteEcho(Ns at);
  Reply Answer(const std::string& command, Ns receivedAt);
  void ShapeByChaos(const ChaosDraw& draw, Reply& reply);
  std::string Execute(const std::string& command);
  void WriteDue();
  void ClearStaleExclusive();
  bool OpenLine();
  void CloseLine();
  bool EchoTaken();
  void Wake() {
    const char byte = 1;
    if (wake[1] >= 0) (void)!write(wake[1], &byte, 1);
  }
};

Ns CSimDrive::Impl::ByteTime() {
  int32_t baud;
  bool on;
  {
    std::lock_guard<std::mutex> guard(lock);
    baud = baudOverride;
    on = wireTime;
  }
  if (!on) return 0;
  if (baud <= 0) baud = simdetail::LineBaudRate(master);
  if (baud <= 0) return 0;
  return 10'000'000'000LL / baud;
}

std::optional<std::pair<int32_t, int32_t>> CSimDrive::Impl::RateMismatch() {
  int32_t own = 0;
  {
    std::lock_guard<std::mutex> guard(lock);
    own = listenBaud;
  }
  if (own <= 0) return std::nullopt;
  const int32_t port = simdetail::LineBaudRate(master);
  if (port <= 0 || port == own) return std::nullopt;
  return std::make_pair(own, port);
}

void CSimDrive::Impl::Schedule(std::string bytes, Ns ready, bool hangUpAfter, bool faulty, Ns comeBack) {
  if (const auto rates = RateMismatch()) bytes = simuart::Resample(bytes, rates->first, rates->second);
  if (bytes.empty() && !hangUpAfter) return;
  const Ns byteTime = ByteTime();
  const Ns start = std::max(ready, lineFree);
  const Ns release = start + static_cast<Ns>(bytes.size()) * byteTime;
  // Bytes held back behind a faulty reply arrive late as well.
  if (faulty || (start > ready && faultBytesDue >= start)) {
    faultBytesDue = std::max(faultBytesDue, release);
    std::lock_guard<std::mutex> guard(lock);
    chaosStats.faultBytesDueNs = faultBytesDue;
  }
  lineFree = release;
  queue.push_back(Burst{release, std::move(bytes), hangUpAfter, comeBack});
}

// When the echo leaves.
Ns CSimDrive::Impl::SendReply(std::string echo, const Reply& reply, Ns ready, const SimFaults& current) {
  if (reply.down > 0) {
    // Nothing of the old line reaches the new one: no late bytes to wait for.
    Schedule(std::string(), ready, true, false, reply.down);
    return ready;
  }
  if (reply.dropEcho) echo.clear();
  if (!echo.empty() && (current.wrongEcho || reply.wrongEcho)) {
    for (size_t i = echo.size(); i-- > 0;) {
      const unsigned char c = static_cast<unsigned char>(echo[i]);
      if (c >= 0x21 && c <= 0x7E) {
        echo[i] = static_cast<char>(c == 0x7E ? 0x21 : c + 1);
        break;
      }
    }
  }
  if (current.otherBaudRate) {
    for (char& c : echo) c = static_cast<char>(0x80 | static_cast<unsigned char>(c));
  }
  const std::string burst = echo.empty() ? std::string() : current.noiseBeforeEcho + reply.noise + echo;
  Ns echoAt = ready;
  if (reply.delay > 0) {
    Schedule(burst, ready, false, reply.faulty);
    echoAt = lineFree;
    Schedule(reply.answer, ready + reply.delay, reply.hangUp, reply.faulty);
  } else {
    Schedule(burst + reply.answer, ready, reply.hangUp, reply.faulty);
    echoAt = lineFree;
  }
  if (reply.answer.empty()) return echoAt;
  for (const char c : current.trailAfterAnswer) {
    Schedule(std::string(1, c), lineFree + static_cast<Ns>(current.trailGapMicros) * 1000, false);
  }
  if (!reply.stray.empty()) Schedule(reply.stray, lineFree, false, true);
  return echoAt;
}

void CSimDrive::Impl::NoteEcho(Ns at) {
  std::lock_guard<std::mutex> guard(lock);
  if (!arrivals.empty()) arrivals.back().echoNs = at;
}

std::string CSimDrive::Impl::Execute(const std::string& command) {
  // Not const: each is returned, and moved out when it is.
  std::string ok = faults.lowerCase ? "oky" : "OKY";
  std::string err = faults.lowerCase ? "err" : "ERR";
  if (command.size() < 3) return err;
  const std::string mnemonic = Upper(command.substr(0, 3));
  const std::string argument = command.substr(3);
  if (faults.refused.count(mnemonic) != 0) return err;

  if (mnemonic == "VER") return ok + version;
  if (mnemonic == "MAD") {
    if (argument.empty()) return ok + std::to_string(selected);
    const std::optional<int64_t> address = ParseInteger(argument);
    if (!address || *address < 0 || *address > 99) return err;
    selected = static_cast<int32_t>(*address);
    return ok + std::to_string(faults.mismatchAddress ? selected + 1 : selected);
  }
  if (mnemonic == "SDP" || mnemonic == "SMP") {
    saved = params;
    return ok;
  }
  if (mnemonic == "MDA") {
    if (argument.empty()) {
      status.Apply(NowNs(), params);
      return ok + std::to_string(params[selected]);
    }
    const std::optional<int64_t> value = ParseInteger(argument);
    if (!value) return err;
    int64_t stored = *value + faults.writeOffset;
    const auto limit = limits.find(selected);
    if (limit != limits.end()) {
      stored = std::clamp<int64_t>(stored, limit->second.first, limit->second.second);
    }
    params[selected] = ClampToInt32(stored);
    return ok + std::to_string(params[selected]);
  }
  // SDP, SMP, VDP, VMP, MDB and every other command: done.
  return ok;
}

// How a complete line (without CR LF) is answered.
Reply CSimDrive::Impl::Answer(const std::string& command, Ns receivedAt) {
  std::lock_guard<std::mutex> guard(lock);
  received.push_back(command);
  arrivals.push_back({receivedAt, receivedAt});
  ++chaosStats.commands;
  const ChaosDraw draw = dice.Draw();
  const std::string result = draw.carriedOut ? Execute(command) : std::string();
  Reply reply;
  if (faults.hangUpAfterCommands > 0 && --faults.hangUpAfterCommands == 0) faults.hangUpAfterEcho = true;
  if (faults.hangUpAfterEcho) {
    faults.hangUpAfterEcho = false;
    reply.hangUp = true;
    return reply;
  }
  // A corrupted echo is the whole exchange: the drive's answer is not sent.
  if (faults.wrongEcho || faults.noResponse || faults.otherBaudRate) return reply;
  reply.answer = faults.leadingAnswerBytes;
  if (faults.overlongResponse > 0) {
    reply.answer += std::string(faults.overlongResponse, 'X');
  } else if (!faults.rawAnswer.empty() &&
             (faults.rawAnswerTo.empty() || Upper(command.substr(0, 3)) == faults.rawAnswerTo)) {
    reply.answer += faults.rawAnswer + "\r\n";
  } else if (draw.faulty && draw.kind == ChaosKind::Refuse) {
    reply.answer += (faults.lowerCase ? "err" : "ERR") + std::string("\r\n");
  } else {
    reply.answer += result + "\r\n";
  }
  if (draw.faulty) ShapeByChaos(draw, reply);
  const bool write = command.size() > 3 && Upper(command.substr(0, 3)) == "MDA";
  if (write && faults.lateWrite > 0 && --faults.lateWrite == 0) {
    reply.delay = std::max(reply.delay, static_cast<Ns>(faults.lateWriteMs) * 1'000'000);
  }
  return reply;
}

// Called with the lock held.
void CSimDrive::Impl::ShapeByChaos(const ChaosDraw& draw, Reply& reply) {
  ++chaosStats.faults[static_cast<int>(draw.kind)];
  chaosStats.lastFaultCommand = chaosStats.commands;
  chaosStats.lastFaultKind = draw.kind;
  reply.faulty = true;
  switch (draw.kind) {
    case ChaosKind::Drop:
      reply.dropEcho = true;
      reply.answer.clear();
      break;
    case ChaosKind::Delay: reply.delay = draw.waitNs; break;
    case ChaosKind::Cut: reply.answer = CutShort(reply.answer, draw.fraction); break;
    case ChaosKind::Noise: reply.noise = draw.bytes; break;
    case ChaosKind::WrongEcho:
      reply.wrongEcho = true;
      reply.answer.clear();
      break;
    case ChaosKind::Refuse: break;  // answered "ERR" above
    case ChaosKind::Stray: reply.stray = draw.bytes; break;
    case ChaosKind::HangUp:
      reply.answer.clear();
      reply.down = draw.waitNs;
      break;
  }
}

void CSimDrive::Impl::Process(const uint8_t* bytes, size_t count, Ns receivedAt) {
  SimFaults current;
  {
    std::lock_guard<std::mutex> guard(lock);
    if (faults.silent) {
      line.clear();
      awaitingLf = false;
      return;
    }
    current = faults;
  }
  std::string noise;
  if (const auto rates = RateMismatch()) {
    noise =
        simuart::Resample(std::string_view(reinterpret_cast<const char*>(bytes), count), rates->second, rates->first);
    bytes = reinterpret_cast<const uint8_t*>(noise.data());
    count = noise.size();
  }

  // The answer goes out in one burst with the echo before it, released when its
  // last byte would have arrived: nothing is early, and the port wakes once per
  // exchange instead of twice (on a fast line the second wake-up would cost more
  // than the answer's own wire time).
  std::string echo;
  auto flushEcho = [&](const Reply& reply = Reply()) {
    const Ns echoAt = SendReply(echo, reply, receivedAt, current);
    echo.clear();
    return echoAt;
  };

  size_t i = 0;
  if (awaitingLf && count > 0) {
    awaitingLf = false;
    if (bytes[0] == '\n') {
      echo += '\n';
      ++i;
    }
    flushEcho(deferred);
  }

  for (; i < count; ++i) {
    const char c = static_cast<char>(bytes[i]);
    echo += c;
    if (c != '\r' && c != '\n') {
      if (line.size() < kMaxLine) line += c;
      continue;
    }
    if (line.empty()) continue;  // the LF of a CR LF, or a blank line
    const std::string command = line;
    line.clear();
    const Reply reply = Answer(command, receivedAt);
    if (c == '\r' && i + 1 == count) {
      // The LF may still be on its way; the answer must follow its echo.
      NoteEcho(flushEcho());
      awaitingLf = true;
      lfDeadline = NowNs() + std::max<Ns>(kLfGraceNs, 2 * ByteTime());
      deferred = reply;
      return;
    }
    if (c == '\r' && bytes[i + 1] == '\n') echo += static_cast<char>(bytes[++i]);
    NoteEcho(flushEcho(reply));
  }
  flushEcho();
}

void CSimDrive::Impl::CloseLine() {
  if (master >= 0) close(master);
  if (slave >= 0) close(slave);
  master = slave = -1;
  {
    std::lock_guard<std::mutex> guard(lock);
    if (!linkPath.empty()) unlink(linkPath.c_str());  // the device is gone with its line
  }
  queue.clear();
  awaitingLf = false;
  hangUpWhenRead = false;
  line.clear();
  lineUp = false;
}

void CSimDrive::Impl::WriteDue() {
  const Ns now = NowNs();
  std::string out;
  bool hangUp = false;
  Ns comeBack = 0;
  while (!queue.empty() && queue.front().release <= now && !hangUp) {
    out += queue.front().bytes;
    hangUp = queue.front().hangUpAfter;
    comeBack = queue.front().comeBackAfter;
    queue.pop_front();
  }
  // Counted before writing: a port may read the bytes and ask for the count
  // before write() has even returned here.
  if (!out.empty()) {
    std::lock_guard<std::mutex> guard(lock);
    bytesSent += out.size();
  }
  size_t done = 0;
  while (done < out.size() && master >= 0) {
    const ssize_t wrote = write(master, out.data() + done, out.size() - done);
    if (wrote > 0) {
      done += static_cast<size_t>(wrote);
    } else if (wrote < 0 && errno == EINTR) {
      continue;
    } else {
      break;  // nobody reads and the buffer is full: the bytes are lost, as on a wire
    }
  }
  if (done < out.size()) {
    std::lock_guard<std::mutex> guard(lock);
    bytesSent -= out.size() - done;
  }
  if (hangUp && comeBack > 0) {
    // Pulled out mid-transaction: whatever the port had not read yet is lost.
    CloseLine();
    reopenAt = NowNs() + comeBack;
    std::lock_guard<std::mutex> guard(lock);
    changed.notify_all();
  } else if (hangUp) {
    hangUpWhenRead = true;
    echoArrived = false;
    hangUpDeadline = NowNs() + kHangUpWaitNs;
  }
}

bool CSimDrive::Impl::EchoTaken() {
  int unread = 0;
  if (slave < 0 || ioctl(slave, FIONREAD, &unread) != 0) return true;
  if (unread > 0) {
    echoArrived = true;
    return false;
  }
  // Written bytes reach the port's buffer a little later; empty before they got
  // there does not mean read.
  return echoArrived || NowNs() >= hangUpDeadline - kHangUpWaitNs + kEchoArrivalNs;
}

void CSimDrive::Impl::Run() {
  // Release times are met to within microseconds only with a small timer slack.
  prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
  uint8_t buffer[4096];
  while (!stopping) {
    bool pulled = false;
    {
      std::lock_guard<std::mutex> guard(lock);
      pulled = std::exchange(hangUpRequested, false);
    }
    if (pulled) {
      reopenAt = 0;  // pulled for good
      CloseLine();
      std::lock_guard<std::mutex> guard(lock);
      changed.notify_all();
    }
    WriteDue();
    Ns now = NowNs();
    if (now >= nextExclusiveCheck) {
      ClearStaleExclusive();
      nextExclusiveCheck = now + kStaleExclusiveCheckNs;
    }
    if (reopenAt > 0 && now >= reopenAt) {
      // Plugged in again; should no pseudo-terminal be free, try again shortly.
      reopenAt = OpenLine() ? 0 : now + kHangUpWaitNs / 10;
      continue;
    }
    if (hangUpWhenRead && (EchoTaken() || now >= hangUpDeadline)) {
      CloseLine();
      std::lock_guard<std::mutex> guard(lock);
      changed.notify_all();
      continue;
    }
    if (awaitingLf && now >= lfDeadline) {
      awaitingLf = false;
      SimFaults current;
      {
        std::lock_guard<std::mutex> guard(lock);
        current = faults;
      }
      SendReply(std::string(), deferred, now, current);
      continue;
    }
    // Output is released exactly on time; the other deadlines only need polling.
    std::optional<Ns> release;
    if (!queue.empty()) release = queue.front().release;
    std::optional<Ns> other;
    if (awaitingLf) other = lfDeadline;
    if (hangUpWhenRead) other = other ? std::min(*other, now + kHangUpCheckNs) : now + kHangUpCheckNs;
    if (reopenAt > 0) other = other ? std::min(*other, reopenAt) : reopenAt;
    other = other ? std::min(*other, nextExclusiveCheck) : nextExclusiveCheck;
    if (release && *release - now < kExactSleepNs && (!other || *release <= *other)) {
      if (*release > now) SleepUntil(*release);
      continue;
    }
    std::optional<Ns> wakeAt = other;
    if (release) {
      const Ns early = *release - now < kExactSleepNs ? *release : *release - kExactSleepNs / 2;
      wakeAt = wakeAt ? std::min(*wakeAt, early) : early;
    }

    pollfd watch[2] = {{wake[0], POLLIN, 0}, {master, POLLIN, 0}};
    const nfds_t watched = master >= 0 ? 2 : 1;
    timespec timeout{};
    timespec* limit = nullptr;
    if (wakeAt) {
      const Ns span = std::max<Ns>(*wakeAt - now, 0);
      timeout = {static_cast<time_t>(span / 1'000'000'000), static_cast<long>(span % 1'000'000'000)};
      limit = &timeout;
    }
    const int ready = ppoll(watch, watched, limit, nullptr);
    if (ready <= 0) continue;
    if (watch[0].revents & POLLIN) {
      char drain[64];
      while (read(wake[0], drain, sizeof drain) > 0) {
      }
    }
    if (watched == 2 && watch[1].revents) {
      if (watch[1].revents & POLLIN) {
        const ssize_t got = read(master, buffer, sizeof buffer);
        if (got > 0) {
          Process(buffer, static_cast<size_t>(got), NowNs());
          continue;
        }
      }
      if (watch[1].revents & (POLLHUP | POLLERR | POLLNVAL)) {
        // Cannot happen while we hold the slave open; never spin on it.
        struct timespec pause {
          0, 10'000'000
        };
        nanosleep(&pause, nullptr);
      }
    }
  }
}

// A port's exclusive flag belongs to the terminal and is cleared by the holder's
// own close; a holder killed first leaves it set, and our handle on the slave keeps
// the terminal (and the flag) alive, so every later user who is not root would be
// told the port is busy. Every holder also takes the lock: the flag without a lock
// holder is such a leftover.
void CSimDrive::Impl::ClearStaleExclusive() {
  if (slave < 0) return;
  int exclusive = 0;
  if (ioctl(slave, TIOCGEXCL, &exclusive) != 0 || exclusive == 0) return;
  if (flock(slave, LOCK_EX | LOCK_NB) != 0) return;  // a live holder
  ioctl(slave, TIOCNXCL);
  flock(slave, LOCK_UN);
}

CSimDrive::CSimDrive() : m_impl(std::make_unique<Impl>()) {}

CSimDrive::~CSimDrive() { Stop(); }

bool CSimDrive::Impl::OpenLine() {
  const int newMaster = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (newMaster < 0) return false;
  char name[128];
  if (grantpt(newMaster) != 0 || unlockpt(newMaster) != 0 || ptsname_r(newMaster, name, sizeof name) != 0) {
    close(newMaster);
    return false;
  }
  const int newSlave = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (newSlave < 0) {
    close(newMaster);
    return false;
  }
  // Raw on both sides. Set through the master these reach the slave, which would
  // otherwise echo our own output back to us until a port configures it.
  termios settings{};
  if (tcgetattr(newMaster, &settings) == 0) {
    cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    tcsetattr(newMaster, TCSANOW, &settings);
  }
  fcntl(newMaster, F_SETFL, fcntl(newMaster, F_GETFL) | O_NONBLOCK);
  master = newMaster;
  slave = newSlave;
  queue.clear();
  lineFree = 0;
  line.clear();
  awaitingLf = false;
  std::lock_guard<std::mutex> guard(lock);
  devicePath = name;
  PointLink(linkPath, devicePath);
  faultBytesDue = chaosStats.faultBytesDueNs = 0;
  lineUp = true;
  changed.notify_all();
  return true;
}

bool CSimDrive::Start() {
  Stop();
  Impl& d = *m_impl;
  if (pipe2(d.wake, O_NONBLOCK | O_CLOEXEC) != 0) return false;
  if (!d.OpenLine()) {
    close(d.wake[0]);
    close(d.wake[1]);
    d.wake[0] = d.wake[1] = -1;
    return false;
  }
  {
    std::lock_guard<std::mutex> guard(d.lock);
    d.hangUpRequested = false;
  }
  d.reopenAt = 0;
  d.stopping = false;
  d.running = true;
  d.thread = std::thread([&d] { d.Run(); });
  d.threadId = d.thread.get_id();
  return true;
}

void CSimDrive::Stop() {
  Impl& d = *m_impl;
  if (!d.running) return;
  d.stopping = true;
  d.Wake();
  if (d.thread.joinable()) d.thread.join();
  d.CloseLine();
  close(d.wake[0]);
  close(d.wake[1]);
  d.wake[0] = d.wake[1] = -1;
  d.running = false;
}

bool CSimDrive::Running() const { return m_impl->running && m_impl->lineUp; }

std::string CSimDrive::DevicePath() const {
  std::lock_guard<std::mutex> guard(m_impl->lock);
  return m_impl->linkPath.empty() ? m_impl->devicePath : m_impl->linkPath;
}

void CSimDrive::SetLinkPath(const std::string& path) {
  std::lock_guard<std::mutex> guard(m_impl->lock);
  m_impl->linkPath = path;
}

void CSimDrive::SetChaos(const SimChaos& chaos) {
  std::lock_guard<std::mutex> guard(m_impl->lock);
  m_impl->dice = CChaosDice(chaos);
  m_impl->chaosStats = SimChaosStats();
}

SimChaosStats CSimDrive::ChaosStats() const {
  std::lock_guard<std::mutex> guard(m_impl->lock);
  return m_impl->chaosStats;
}

void CSimDrive::SetBaudRate(int32_t baud) {
  std::lock_guard<std::mutex> guard(m_impl->lock);
  m_impl->baudOverride = baud;
}

void CSimDrive::SetListenBaudRate(int32_t baud) {
  std::lock_guard<std::mutex> guard(m_impl->lock);
  m_impl->listenBaud = baud;
}

void CSimDrive::SetWireTime(bool on) {
  std::lock_guard<std::mutex> guard(m_impl->lock);
  m_impl->wireTime = on;
}

void CSimDrive::SetFaults(const SimFaults& faults) {
  std::lock_guard<std::mutex> guard(m_impl->lock);
  m_impl->faults = faults;
}

SimFaults CSimDrive::Faults() const {
  std::lock_guard<std::mutex> guard(m_impl->lock);
  return m_impl->faults;
}

void CSimDrive::SetVersion(const std::string& version) {
  std::lock_guard<std::mutex> guard(m_impl->lock);
  m_impl->version = version;
}

std::string CSimDrive::Version() const {
  std::lock_guard<std::mutex> guard(m_impl->lock);
  return m_impl->version;
}

int32_t CSimDrive::GetParam(int32_t address) const {
  std::lock_guard<std::mutex> guard(m_impl->lock);
  const auto found = m_impl->params.find(address);
  return found == m_impl->params.end() ? 0 : found->second;
}

void CSimDrive::SetParam(int32_t address, int32_t value) {
  std::lock_guard<std::mutex> guard(m_impl->lock);
  m_impl->params[address] = value;
  m_impl->saved[address] = value;
}

void CSimDrive::SetStatusLife(const SimStatusLife& life) {
  std::lock_guard<std::mutex> guard(m_impl->lock);
  m_impl->status.Start(life, NowNs(), m_impl->params);
}

int32_t CSimDrive::SavedParam(int32_t address) const {
  std::lock_guard<std::mutex> guard(m_impl->lock);
  const auto found = m_impl->saved.find(address);
  return found == m_impl->saved.end() ? 0 : found->second;
}

void CSimDrive::SetLimits(int32_t address, int32_t min, int32_t max) {
  std::lock_guard<std::mutex> guard(m_impl->lock);
  m_impl->limits[address] = {std::min(min, max), std::max(min, max)};
}

std::vector<std::string> CSimDrive::Received() const {
  std::lock_guard<std::mutex> guard(m_impl->lock);
  return m_impl->received;
}

std::vector<CSimDrive::Arrival> CSimDrive::Arrivals() const {
  std::lock_guard<std::mutex> guard(m_impl->lock);
  return m_impl->arrivals;
}

void CSimDrive::ClearReceived() {
  std::lock_guard<std::mutex> guard(m_impl->lock);
  m_impl->received.clear();
  m_impl->arrivals.clear();
}

void CSimDrive::LoadFactorySettings() {
  // Every parameter the shipped descriptions show holds a value within its
  // limits, so a table of the whole drive reads as a drive set up for use.
  const std::pair<int32_t, int32_t> settings[] = {
      {0, 4},     {1, 3},  {2, 1500}, {3, 100},   {4, 100},     {5, 100},      {6, 300}, {7, 100},
      {8, 100},   {9, 0},  {10, 0},   {11, 0},    {12, 100000}, {13, -100000}, {17, 1},  {18, 10000},
      {19, 4000}, {20, 0}, {23, 1},   {27, 200},  {28, 100},    {29, 0},       {31, 4},  {80, 1},
      {81, 4},    {82, 5}, {90, 0},   {96, 1234}, {97, 38},     {98, 24}};
  for (const auto& [address, value] : settings) SetParam(address, value);
  for (int32_t i = 0; i < 10; ++i) SetParam(40 + i, i + 1);          // input functions
  for (int32_t i = 0; i < 6; ++i) SetParam(50 + i, i + 1);           // output functions
  for (int32_t i = 0; i < 16; ++i) SetParam(60 + i, 100 * (i + 1));  // preset speeds
  for (int32_t i = 91; i <= 95; ++i) SetParam(i, 0);                 // alarm history
  SetParam(14, 0x1);                                                 // alarm reset active high, enable active low
  SetParam(15, 0x2);                                                 // alarm active low, in-position active high
  SetParam(16, 0x258);                                               // boost 20 %, stop 50 %, run 80 %
  SetParam(21, 3);                                                   // in-position value
  SetParam(22, 0);                                                   // in-position response mode
  SetParam(24, 6);                                                   // position correction gains
  SetParam(25, 4);
  SetParam(26, 2);
  SetParam(30, 2 << 5);  // pulse input filter 2
}

uint64_t CSimDrive::BytesSent() const {
  std::lock_guard<std::mutex> guard(m_impl->lock);
  return m_impl->bytesSent;
}

void CSimDrive::HangUp() {
  Impl& d = *m_impl;
  if (!d.running || !d.lineUp) return;
  std::unique_lock<std::mutex> guard(d.lock);
  d.hangUpRequested = true;
  d.Wake();
  // Synchronous, so the caller's next port operation already sees the hang-up.
  d.changed.wait_for(guard, std::chrono::seconds(2), [&d] { return !d.lineUp; });
}
