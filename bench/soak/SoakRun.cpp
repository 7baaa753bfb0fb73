#include "soak/SoakRun.h"

#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>

#include "files/FileReplace.h"
#include "flows/DpfFlows.h"
#include "flows/DriveSession.h"
#include "flows/FrameLogic.h"
#include "flows/MotorDb.h"
#include "flows/MotorDbPlan.h"
#include "flows/Outcome.h"
#include "flows/ParamAccess.h"
#include "params/ParamDescFile.h"
#include "protocol/VcmCommand.h"
#include "serial/PortTable.h"
#include "soak/SoakProcess.h"
#include "soak/SoakPrompt.h"
#include "soak/SoakState.h"
#include "tools/PortsFileEdit.h"
#include "tools/SimDrive.h"

namespace soak {
namespace {

constexpr uint8_t kCom = 231;
// Allowed on top of the 5000 ms response limit: on the link's clock, and in
// real time for the waits that do not run on it (the quiet wait after a
// failure, the port's 1-2 ms polls) and for the scheduler of a busy machine.
constexpr int64_t kLinkMarginMs = 250;
constexpr int64_t kRealMarginNs = 60'000'000;
// How long a hung-up line stays away (real time) and how long a reconnect may
// wait for it beyond that.
constexpr int kDownMinMs = 50, kDownMaxMs = 400;
constexpr int64_t kReconnectSlackNs = 3'000'000'000;
// Memory is first taken once the first uses have settled.
constexpr uint64_t kWarmUpOperations = 30;
constexpr size_t kMaxReported = 20;
constexpr int32_t kImportCount = 8;

std::string CodeName(int code) {
  switch (code) {
    case rc::IncorrectEcho: return "-7 incorrect echo";
    case rc::NoEcho: return "-8 no echo";
    case rc::EchoUnreadable: return "-23 echo unreadable";
    case rc::ResponseTimeout: return "-9 response time-out";
    case rc::PortFailure: return "-10 port failure";
    case rc::ResponseTooLong: return "-18 response too long";
    case rc::UnknownResponse: return "-19 unknown response";
    case rc::AddressMismatch: return "-22 address mismatch";
    case rc::Refused: return "-30 refused";
  }
  return std::to_string(code);
}

// The commands the drive took, each with when it arrived and when its echo left,
// in ms on the link's clock since the operation began.
std::string Traffic(const std::vector<std::string>& lines, const std::vector<CSimDrive::Arrival>& arrivals,
                    int64_t start, int scale) {
  std::string text;
  for (size_t i = 0; i < lines.size() && i < arrivals.size(); ++i) {
    const auto ms = [&](int64_t ns) { return std::to_string((ns - start) * scale / 1'000'000); };
    text += (text.empty() ? "" : ", ") + lines[i] + " at " + ms(arrivals[i].arrivedNs) + " (echo " +
            ms(arrivals[i].echoNs) + ")";
  }
  return text.empty() ? "none" : text;
}

bool KnownFailureCode(int code) { return code < 0 && CodeName(code) != std::to_string(code); }

std::optional<std::string> FileText(const std::string& path) {
  std::string text;
  if (!portsfile::ReadText(path, text)) return std::nullopt;
  return text;
}

}  // namespace

const char* OpName(OpKind kind) {
  static const char* const kNames[kOpKinds] = {"reconnect", "read-in",         "write",          "dpf save",
                                               "dpf load",  "motor DB export", "motor DB import"};
  return kNames[static_cast<int>(kind)];
}

struct CSoakRun::Parts {
  Parts(const Options& options, Figures& figures) : options(options), figures(figures), random(options.seed ^ 0x50AC) {}

  const Options& options;
  Figures& figures;
  std::filesystem::path folder;
  CSimDrive drive;
  CVcmCommand link;
  CSoakPrompt prompt;
  CFrameLogic frame{link, prompt};
  CParamDescFile model;
  uint64_t random;
  bool sessionOk = false;
  bool readInPosted = false;
  int64_t measureFrom = 0;
  int64_t lastArrival = 0;  // of the last command of the operation before
  std::string failure;      // the first failed check of the running operation

  uint64_t Dice(uint64_t below) { return below == 0 ? 0 : NextRandom(random) % below; }
  std::string File(const char* name) const { return (folder / name).string(); }
  void Expect(const std::string& problem) {
    if (!problem.empty() && failure.empty()) failure = problem;
  }

  OpKind NextKind();
  void RunOne(OpKind kind);
  Outcome Dispatch(OpKind kind);
  Outcome Reconnect();
  Outcome ReadIn();
  Outcome Write();
  Outcome SaveDpf();
  Outcome LoadDpf();
  Outcome Export();
  Outcome Import();
  std::vector<const CUserViewData*> ShownChoiceEntries() const;
};

OpKind CSoakRun::Parts::NextKind() {
  if (!link.IsOpen()) return OpKind::Reconnect;
  if (!sessionOk || readInPosted || !model.IsLoaded()) return OpKind::ReadIn;
  const uint64_t roll = Dice(100);
  if (roll < 40) return OpKind::Write;
  if (roll < 55) return OpKind::SaveDpf;
  if (roll < 70) return OpKind::LoadDpf;
  if (roll < 80) return OpKind::Export;
  if (roll < 90) return OpKind::Import;
  return OpKind::ReadIn;
}

std::vector<const CUserViewData*> CSoakRun::Parts::ShownChoiceEntries() const {
  std::vector<const CUserViewData*> entries;
  for (unsigned i = 0; i < ShownEntryCount(model); ++i) {
    const CUserViewData* entry = model.GetUserViewData(i);
    const ParamRef ref{entry->address, entry->nested != 0, entry->offset};
    if (entry->choices.size() >= 2 && !ParamValueFault(model, ref, entry->choices.begin()->first)) {
      entries.push_back(entry);
    }
  }
  return entries;
}

Outcome CSoakRun::Parts::Dispatch(OpKind kind) {
  switch (kind) {
    case OpKind::Reconnect: return Reconnect();
    case OpKind::ReadIn: return ReadIn();
    case OpKind::Write: return Write();
    case OpKind::SaveDpf: return SaveDpf();
    case OpKind::LoadDpf: return LoadDpf();
    case OpKind::Export: return Export();
    case OpKind::Import: return Import();
  }
  return Outcome::BadInput;
}

// As after a connect: the port opened again, then the whole read-in.
Outcome CSoakRun::Parts::Reconnect() {
  const int64_t giveUp = NowNs() + kDownMaxMs * 1'000'000LL + kReconnectSlackNs;
  while (link.Open(kCom, options.baud) != 1) {
    if (NowNs() > giveUp) {
      Expect("the port could not be opened again after the line came back");
      return Outcome::LinkFailed;
    }
    const timespec pause{0, 5'000'000};
    nanosleep(&pause, nullptr);
  }
  measureFrom = NowNs();
  return ReadIn();
}

Outcome CSoakRun::Parts::ReadIn() {
  readInPosted = false;
  const DriveState before = Snapshot(drive);
  std::vector<int32_t> skipped;
  const Outcome outcome = StartSession(frame, model, &skipped);
  sessionOk = outcome == Outcome::Done;
  if (sessionOk) {
    for (unsigned i = 0; i < ShownEntryCount(model); ++i) {
      const int32_t address = model.GetUserViewData(i)->address;
      if (!link.FindCachedParam(address) && std::find(skipped.begin(), skipped.end(), address) == skipped.end()) {
        Expect("a read-in reported done left parameter " + std::to_string(address) + " unread");
      }
    }
  }
  Expect(CheckUnchanged(before, Snapshot(drive)));
  return outcome;
}

Outcome CSoakRun::Parts::Write() {
  const std::vector<const CUserViewData*> entries = ShownChoiceEntries();
  if (entries.empty()) return ReadIn();
  const CUserViewData& entry = *entries[Dice(entries.size())];
  const ParamRef ref{entry.address, entry.nested != 0, entry.offset};
  const DriveState before = Snapshot(drive);
  const int32_t current = FieldOf(model, ref, before.ram[ref.address]);
  std::vector<int32_t> others;
  for (const auto& [value, text] : entry.choices) {
    if (value != current) others.push_back(value);
  }
  const Change change{ref, others[Dice(others.size())]};
  const Outcome outcome = SetParam(frame, model, ref, change.value);
  Expect(CheckChanges(model, before, Snapshot(drive), {change}, outcome == Outcome::Done));
  return outcome;
}

Outcome CSoakRun::Parts::SaveDpf() {
  const std::string path = File("saved.dpf");
  const std::optional<std::string> old = FileText(path);
  const DriveState before = Snapshot(drive);
  prompt.SetFileName(path);
  const Outcome outcome = SaveParamFile(frame, model);
  const DriveState after = Snapshot(drive);
  Expect(CheckUnchanged(before, after));
  if (outcome != Outcome::Done && outcome != Outcome::DriveRefused) {
    if (FileText(path) != old) Expect("a failed save changed the file");
    return outcome;
  }
  const std::optional<std::vector<Change>> entries = ReadDpf(path);
  if (!entries) {
    Expect("a save reported " + std::string(OutcomeWord(outcome)) + " left no readable file");
    return outcome;
  }
  for (const Change& entry : *entries) {
    const int32_t held = FieldOf(model, entry.ref, after.ram[entry.ref.address]);
    if (entry.value != held) {
      Expect("the saved file holds " + std::to_string(entry.value) + " for " + ParamRefText(entry.ref) +
             ", the drive " + std::to_string(held));
    }
  }
  if (outcome == Outcome::Done && entries->size() != ShownEntryCount(model)) {
    Expect("a save reported done holds " + std::to_string(entries->size()) + " entries");
  }
  return outcome;
}

Outcome CSoakRun::Parts::LoadDpf() {
  std::vector<Change> changes;
  for (const CUserViewData* entry : ShownChoiceEntries()) {
    auto choice = entry->choices.begin();
    std::advance(choice, static_cast<long>(Dice(entry->choices.size())));
    changes.push_back({{entry->address, entry->nested != 0, entry->offset}, choice->first});
  }
  const std::string path = File("load.dpf");
  if (!WriteDpf(path, drive.Version(), changes)) {
    Expect("the file to load could not be written");
    return Outcome::FileError;
  }
  const DriveState before = Snapshot(drive);
  prompt.SetFileName(path);
  const Outcome outcome = LoadParamFile(frame, model);
  Expect(CheckChanges(model, before, Snapshot(drive), changes, outcome == Outcome::Done));
  return outcome;
}

Outcome CSoakRun::Parts::Export() {
  const std::string path = File("export.txt");
  const std::optional<std::string> old = FileText(path);
  const DriveState before = Snapshot(drive);
  prompt.SetFileName(path);
  const Outcome outcome = ExportMotorDb(frame);
  const DriveState after = Snapshot(drive);
  Expect(CheckUnchanged(before, after));
  const std::optional<std::string> text = FileText(path);
  if (outcome == Outcome::Done) {
    std::vector<std::pair<int32_t, int32_t>> all;
    for (int32_t a = 0; a < kAddresses; ++a) all.emplace_back(a, after.ram[a]);
    if (text != MotorDbExportText(MotorDbExportVersionLine(drive.Version()), all)) {
      Expect("an export reported done does not hold what the drive holds");
    }
  } else if (outcome == Outcome::DriveRefused && text) {
    for (const auto& [address, value] : ReadMotorDbPairs(*text)) {
      if (address < 0 || address >= kAddresses || value != after.ram[address]) {
        Expect("an export with addresses left out holds a wrong value for " + std::to_string(address));
      }
    }
  } else if (text != old) {
    Expect("a failed export changed the file");
  }
  return outcome;
}

Outcome CSoakRun::Parts::Import() {
  const DriveState before = Snapshot(drive);
  // Values the write gate takes without a question: plain parameters the file may
  // set, each within its limits and other than the drive's.
  std::vector<int32_t> writable;
  for (int32_t a = 0; a < kAddresses; ++a) {
    const CParamNode* param = model.FindParam(a);
    if (param && param->GetNestedCount() == 0 && !WritableFault(model, {a, false, 0}) && !param->IsHidden() &&
        !IsStatusParam(model, a) && ValueRange(*param).second > ValueRange(*param).first) {
      writable.push_back(a);
    }
  }
  std::set<int32_t> chosen;
  while (!writable.empty() && chosen.size() < std::min(writable.size(), static_cast<size_t>(kImportCount))) {
    chosen.insert(writable[Dice(writable.size())]);
  }
  std::vector<std::pair<int32_t, int32_t>> values;
  for (const int32_t address : chosen) {
    const auto [lowest, highest] = ValueRange(*model.FindParam(address));
    const int64_t span = std::min<int64_t>(highest - lowest + 1, 5000);
    int64_t value = lowest + static_cast<int64_t>(Dice(static_cast<uint64_t>(span)));
    if (value == before.ram[address]) value = value == highest ? lowest : value + 1;
    values.emplace_back(address, static_cast<int32_t>(value));
  }
  const std::string path = File("import.txt");
  if (!fileio::ReplaceFile(path, MotorDbExportText(MotorDbExportVersionLine(drive.Version()), values))) {
    Expect("the file to import could not be written");
    return Outcome::FileError;
  }
  prompt.SetFileName(path);
  const Outcome outcome = ImportMotorDb(frame, model);
  Expect(CheckSentInOrder(before, Snapshot(drive), values, outcome == Outcome::Done));
  return outcome;
}

void CSoakRun::Parts::RunOne(OpKind kind) {
  prompt.Clear();
  prompt.SetFileName(std::string());
  drive.ClearReceived();
  failure.clear();
  const SimChaosStats before = drive.ChaosStats();
  const int64_t start = NowNs();
  measureFrom = start;

  const Outcome outcome = Dispatch(kind);

  const int64_t end = NowNs();
  const SimChaosStats after = drive.ChaosStats();
  const std::vector<CSimDrive::Arrival> arrivals = drive.Arrivals();
  figures.transactions += after.commands - before.commands;
  ++figures.operations[static_cast<int>(kind)];

  // Each command arrives once the one before has ended, so the time between two
  // arrivals bounds the earlier transaction (and the last runs to the end). An
  // echo held back behind late output is waited for under its own limit, so up
  // to that limit the wait for it is not charged to the response limit.
  const int64_t echoLimitNs = CVcmLite::kEchoTimeoutMs * 1'000'000LL / options.timeScale;
  int64_t longest =
      arrivals.empty() || arrivals.front().arrivedNs < measureFrom ? 0 : arrivals.front().arrivedNs - measureFrom;
  for (size_t i = 0; i < arrivals.size(); ++i) {
    const int64_t next = i + 1 < arrivals.size() ? arrivals[i + 1].arrivedNs : end;
    const int64_t held = std::clamp<int64_t>(arrivals[i].echoNs - arrivals[i].arrivedNs, 0, echoLimitNs);
    longest = std::max(longest, next - arrivals[i].arrivedNs - held);
  }
  figures.longestTransactionNs = std::max(figures.longestTransactionNs, longest);
  if (longest > figures.transactionLimitNs) {
    Expect("a transaction took " + std::to_string(longest / 1'000'000) + " ms real time (" +
           std::to_string(longest * options.timeScale / 1'000'000) + " ms on the link's clock)");
  }
  if (end - start > figures.longestOperationNs) {
    figures.longestOperationNs = end - start;
    figures.longestOperation = kind;
  }

  if (outcome != Outcome::Done) {
    ++figures.failed[static_cast<int>(kind)];
    const int code = link.GetLastResult();
    ++figures.failuresByCode[std::string(OutcomeWord(outcome)) + ", last result " + CodeName(code)];
    if (prompt.Problems() == 0) Expect("a failure (" + std::string(OutcomeWord(outcome)) + ") told the user nothing");
    if (outcome == Outcome::LinkFailed && !KnownFailureCode(code) && failure.empty()) {
      Expect("a link failure carried no result code");
    }
  }
  // A fault has passed when nothing of it can still reach the port: no fault in
  // this operation, none left bytes behind the last exchange before it, and no
  // late bytes were still on their way when it began.
  const bool lastExchangeClean = before.lastFaultCommand != before.commands ||
                                 (before.lastFaultKind != ChaosKind::Stray && before.lastFaultKind != ChaosKind::Delay);
  const bool clean = after.Faults() == before.Faults() && lastExchangeClean && before.faultBytesDueNs < lastArrival;
  if (clean) {
    ++figures.judged;
    if (outcome != Outcome::Done) {
      Expect("met no fault yet ended " + std::string(OutcomeWord(outcome)) + ": " + prompt.FirstProblem() +
             "; traffic " + Traffic(drive.Received(), arrivals, start, options.timeScale));
    }
  }
  Expect(CheckCache(link, Snapshot(drive)));
  if (!arrivals.empty()) lastArrival = arrivals.back().arrivedNs;

  if (!failure.empty()) {
    ++figures.checkFailures;
    if (figures.firstFailures.size() < kMaxReported) {
      figures.firstFailures.push_back("operation " + std::to_string(figures.transactions) + " transactions in, " +
                                      OpName(kind) + ": " + failure);
    }
  }
  const size_t resident = ResidentKb();
  figures.residentPeakKb = std::max(figures.residentPeakKb, resident);
  uint64_t operations = 0;
  for (const uint64_t count : figures.operations) operations += count;
  if (operations == kWarmUpOperations) {
    figures.residentStartKb = resident;
    figures.heapStart = HeapInUse();
  }
}

CSoakRun::CSoakRun(const Options& options) : m_parts(std::make_unique<Parts>(options, m_figures)), m_options(options) {}

CSoakRun::~CSoakRun() {
  Parts& p = *m_parts;
  p.link.Close();
  p.drive.Stop();
  portmap::SetPortsFilePath(std::string());
  if (!p.folder.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(p.folder, ignored);
  }
}

bool CSoakRun::Start(std::string* error) {
  Parts& p = *m_parts;
  std::string pattern = (std::filesystem::temp_directory_path() / "bench_soak.XXXXXX").string();
  if (!mkdtemp(pattern.data())) {
    *error = "cannot create a temporary folder";
    return false;
  }
  p.folder = pattern;
  const std::string linkPath = p.File("drive");
  if (!portsfile::WriteTextAtomically(p.File("ports"), portsfile::WithEntry("", kCom, linkPath))) {
    *error = "cannot write the ports file";
    return false;
  }
  portmap::SetPortsFilePath(p.File("ports"));

  SimChaos chaos;
  chaos.probability = m_options.chaos;
  chaos.seed = m_options.seed;
  // Late past the 5000 ms the link waits, on its clock.
  chaos.delayMinMs = static_cast<int>(5500 / m_options.timeScale);
  chaos.delayMaxMs = static_cast<int>(7000 / m_options.timeScale);
  chaos.downMinMs = kDownMinMs;
  chaos.downMaxMs = kDownMaxMs;
  p.drive.SetLinkPath(linkPath);
  p.drive.LoadFactorySettings();
  if (!p.drive.Start()) {
    *error = "the simulated drive did not start";
    return false;
  }
  p.link.SetClock(ScaledClock(m_options.timeScale));
  p.frame.SetCheckLinkPoster([&p] { p.readInPosted = true; });
  if (p.link.Open(kCom, m_options.baud) != 1) {
    *error = "cannot open the simulated drive's port";
    return false;
  }
  // Faults start once the link is up, so the first read-in is the seed's first draw.
  p.drive.SetChaos(chaos);
  m_figures.transactionLimitNs =
      (CVcmLite::kResponseTimeoutMs + kLinkMarginMs) * 1'000'000 / m_options.timeScale + kRealMarginNs;
  return true;
}

void CSoakRun::Run() {
  Parts& p = *m_parts;
  const int64_t start = NowNs();
  for (;;) {
    const double elapsed = static_cast<double>(NowNs() - start) / 1e9;
    if (m_options.transactions > 0 && m_figures.transactions >= m_options.transactions) break;
    if (m_options.seconds > 0 && elapsed >= m_options.seconds) break;
    p.RunOne(p.NextKind());
  }
  m_figures.seconds = static_cast<double>(NowNs() - start) / 1e9;
  m_figures.faults = p.drive.ChaosStats();
  m_figures.residentEndKb = ResidentKb();
  m_figures.heapEnd = HeapInUse();
}

}  // namespace soak
