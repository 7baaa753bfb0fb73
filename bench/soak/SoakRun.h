#pragma once
// One soak run: the flows of the window and the command-line program, one
// operation after another, against a simulated drive on a faulty line, each
// operation checked against what the drive really did.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tools/SimChaos.h"

namespace soak {

struct Options {
  uint64_t transactions = 0;  // stop after this many (0: no such limit)
  double seconds = 0;         // stop after this long (0: no such limit)
  uint64_t seed = 1;
  double chaos = 0.01;  // the chance that one answer meets a fault
  int timeScale = 10;   // the link's clock runs this many times as fast
  int32_t baud = 921600;
};

enum class OpKind : int { Reconnect, ReadIn, Write, SaveDpf, LoadDpf, Export, Import };
constexpr int kOpKinds = 7;
const char* OpName(OpKind kind);

struct Figures {
  uint64_t operations[kOpKinds] = {};
  uint64_t failed[kOpKinds] = {};
  uint64_t judged = 0;  // operations that met no fault and so had to succeed
  uint64_t transactions = 0;
  std::map<std::string, uint64_t> failuresByCode;
  int64_t longestTransactionNs = 0;
  int64_t longestOperationNs = 0;
  OpKind longestOperation = OpKind::ReadIn;
  int64_t transactionLimitNs = 0;
  size_t residentStartKb = 0, residentEndKb = 0, residentPeakKb = 0;
  size_t heapStart = 0, heapEnd = 0;
  SimChaosStats faults;
  uint64_t checkFailures = 0;
  std::vector<std::string> firstFailures;
  double seconds = 0;
};

class CSoakRun {
 public:
  explicit CSoakRun(const Options& options);
  ~CSoakRun();
  CSoakRun(const CSoakRun&) = delete;
  CSoakRun& operator=(const CSoakRun&) = delete;

  // Starts the drive and opens the link; false with the reason when it cannot.
  bool Start(std::string* error);
  // Runs until the options' budget is spent.
  void Run();
  const Figures& Result() const { return m_figures; }

 private:
  struct Parts;
  std::unique_ptr<Parts> m_parts;
  Options m_options;
  Figures m_figures;
};

}  // namespace soak
