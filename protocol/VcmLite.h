#pragma once
// The one exchange a drive understands: a line of three command characters and an
// optional argument, the drive's echo of every byte, then one answer line starting
// with "OKY" (done, with data) or "ERR" (refused).

#include <cstdint>
#include <mutex>
#include <string>

#include "protocol/Clock.h"
#include "protocol/ResultCodes.h"
#include "serial/Rs232.h"

// Proof that a command which changes what the drive keeps (a parameter's value,
// its flash, its motor tables: MDA, SDP, SMP, MDB) comes from the write gate of
// the flows, which checks and asks before anything is sent. Only the gate can make
// one; tests and fuzz targets that work the link itself make theirs through
// ChangeCommandKeyForTests, which the build refuses in the program's own folders.
class ChangeCommandKey {
  friend class CWriteGate;
  friend struct ChangeCommandKeyForTests;
  ChangeCommandKey() = default;
};

class CVcmLite : public CRs232CB {
 public:
  static constexpr size_t kBufferSize = 256;
  static constexpr uint32_t kEchoTimeoutMs = 1000;
  static constexpr uint32_t kResponseTimeoutMs = 5000;

  CVcmLite();
  ~CVcmLite() override;

  // Sends mnemonic (three characters) and argument (none or empty: short form),
  // checks the echo and reads the answer. On 1 the receive buffer holds the answer
  // line and *dataLength, if given, its length less 3.
  // A line that begins with MDA, SDP, SMP or MDB (in any case) is refused with
  // rc::NeedsGate and nothing is sent: those go through the keyed form.
  [[nodiscard]] int Transact(const char* mnemonic, const char* argument = nullptr, int32_t* dataLength = nullptr);
  [[nodiscard]] int Transact(ChangeCommandKey key, const char* mnemonic, const char* argument = nullptr,
                             int32_t* dataLength = nullptr);

  // Echo-only check that a drive is attached and echoing: "abc" up to two times.
  [[nodiscard]] int CheckLink();

  int GetLastResult() const { return m_lastResult; }
  const char* GetTrace() const { return m_trace; }
  const char* GetReceiveBuffer() const { return m_receive; }
  const char* GetSendBuffer() const { return m_send; }

  // Tests count waits against a clock of their own.
  void SetClock(MsClock clock);

 protected:
  // Stores the code as the last result and drops pending input.
  void RecordFailure(int code);
  // Rewrites the trace from the send and receive buffers.
  void WriteTrace();
  std::recursive_mutex& Lock() { return m_lock; }
  // Drops the drive's answer to the link check: waits a little for it, then
  // stops shortly after its line end.
  void DiscardAnswerLine();
  // Any line, unchecked: the command set's own reads and keyed writes.
  [[nodiscard]] int TransactAny(const char* mnemonic, const char* argument = nullptr, int32_t* dataLength = nullptr);

 private:
  [[nodiscard]] int SendCommand(const char* mnemonic, const char* argument);
  [[nodiscard]] int WaitEcho(const char* expected, int count);
  [[nodiscard]] int ReadResponse();
  // One byte into `byte`: 1 when it came, 0 when none came yet, or the failure
  // code (recorded) when the port failed or `limitMs` passed since `start`.
  [[nodiscard]] int ReadByteWithin(uint32_t start, uint32_t limitMs, int timeoutCode, uint8_t& byte);
  // Drops input until the line has been quiet for the given time.
  void DiscardPendingInput(int quietMicros);
  int ByteTimeMicros() const;
  [[nodiscard]] bool SendRaw(const char* bytes, size_t count);

  char m_send[kBufferSize] = {};
  char m_receive[kBufferSize] = {};
  int m_lastResult = 1;
  char m_trace[kBufferSize] = {};
  // The last answer line held a control byte (shown as "<0x..>" in the buffer).
  bool m_answerDamaged = false;
  std::recursive_mutex m_lock;
  MsClock m_clock;
};
