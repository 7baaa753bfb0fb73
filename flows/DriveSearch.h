#pragma once
// The search for drives: on which port a drive answers, and at which baud rate.
// Each port is searched by a worker of its own, with a link of its own and no
// prompt; the owner (a window, the command-line program) is woken to take the
// news on its own thread, where the table is drawn and a rate found is kept in
// Config.ini. Nothing but the link check's probe and the version read is sent:
// the search never writes to a drive.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

class CIniFile;

namespace drivesearch {

// How long a drive may take to echo the probe at one rate: a drive echoes every
// byte as it comes, so even a USB adapter's packet delays leave room to spare.
inline constexpr uint32_t kProbeWaitMs = 100;
// How long a search waits for a network server to take the connection.
inline constexpr int kConnectWaitMs = 1000;

// 9600 to 921600, the rates the connect dialog offers.
const std::vector<int32_t>& DefaultRates();

// The rates in the order a port tries them: the rate a drive was last found at
// on that port, then Config.ini's, then `rates`, each once. With `onlyListed` (the
// user gave the list) the first two go first only when the list holds them.
std::vector<int32_t> RateOrder(std::optional<int32_t> lastFound, int32_t configured, const std::vector<int32_t>& rates,
                               bool onlyListed);

enum class Finding {
  Searching,   // `baud` is the rate being tried
  Found,       // a drive echoed at `baud`
  Silent,      // nothing at any rate
  NoEcho,      // bytes but no echo at some rate, nothing at the others
  CannotOpen,  // the port doctor's words in `diagnosis`
  Lost,        // the port went away during the search
  Cancelled,
};

struct PortFinding {
  unsigned com = 0;
  std::string port;    // as the user names it: "COM3", or an address
  std::string device;  // what the number maps to
  Finding finding = Finding::Searching;
  int32_t baud = 0;  // 0 when found on a raw TCP line: it runs at its server's rate
  std::string version;
  std::string model;
  uint32_t replyMs = 0;   // probe sent to echo complete
  int ratesTried = 0;     // rates the port opened at and was asked
  int noisyRates = 0;     // of them, those that drew bytes but no echo
  std::string diagnosis;  // what the finding means and what to do; empty when found
};

// Searches COM<com> on the calling thread, trying `rates` in order (a raw TCP
// line only the first). `report` hears the finding before each rate is tried;
// `cancel` is read between probes.
PortFinding SearchPort(unsigned com, const std::vector<int32_t>& rates, const std::atomic<bool>& cancel,
                       const std::function<void(const PortFinding&)>& report = {}, uint32_t probeWaitMs = kProbeWaitMs);

// The table's column titles and one row's texts, in the same order.
std::vector<std::string> ColumnTitles();
std::vector<std::string> RowCells(const PortFinding& finding);

}  // namespace drivesearch

// The table of the search as the logic sees it: one row a port, in search order.
class CDriveSearchForm {
 public:
  virtual ~CDriveSearchForm() = default;
  virtual void SetRowCount(int rows) = 0;
  virtual void SetRow(int row, const std::vector<std::string>& cells) = 0;
  virtual void SetStatus(const std::string& text) = 0;
  // While a search runs only Cancel is offered; after it a found drive can be taken.
  virtual void SetSearching(bool searching) = 0;
};

class CDriveSearchLogic {
 public:
  // Called on a worker's thread: the owner is to call Pump on its own thread soon
  // (a window posts itself a message). It must not block.
  using Wake = std::function<void()>;

  struct Options {
    std::vector<unsigned> ports;  // none: every port listed
    std::vector<int32_t> rates;   // none: DefaultRates
    uint32_t probeWaitMs = drivesearch::kProbeWaitMs;
  };

  CDriveSearchLogic(CDriveSearchForm& form, const CIniFile& config, Wake wake);
  // Cancels a search under way and waits for its workers.
  ~CDriveSearchLogic();
  CDriveSearchLogic(const CDriveSearchLogic&) = delete;
  CDriveSearchLogic& operator=(const CDriveSearchLogic&) = delete;

  // Starts a search (after any earlier one has ended).
  void Start(const Options& options);
  // Asks every worker to stop; each does within one read of the line.
  void Cancel();
  // On the owner's thread: takes the workers' news to the form, and keeps each
  // rate found in Config.ini for the next search.
  void Pump();
  // Pumps until every worker has ended; `stop`, set meanwhile, cancels.
  void Wait(const std::atomic<bool>* stop = nullptr);

  bool Running() const { return m_running; }
  bool WasCancelled() const { return m_cancel.load(); }
  const std::vector<drivesearch::PortFinding>& Findings() const { return m_findings; }
  // The rows where a drive was found.
  std::vector<int> FoundRows() const;

 private:
  void Join();
  std::string StatusText() const;

  CDriveSearchForm& m_form;
  const CIniFile& m_config;
  Wake m_wake;
  std::vector<drivesearch::PortFinding> m_findings;  // the owner's copy, as drawn
  bool m_running = false;
  size_t m_ended = 0;

  std::atomic<bool> m_cancel{false};
  std::mutex m_lock;  // guards m_inbox
  std::condition_variable m_news;
  std::vector<std::pair<size_t, drivesearch::PortFinding>> m_inbox;
  std::vector<std::thread> m_workers;
};
