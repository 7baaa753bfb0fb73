#include "flows/Journal.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <random>
#include <utility>

#include "flows/DpfFlows.h"
#include "flows/DpfSaveAll.h"
#include "params/ParamDescFile.h"
#include "platform/FileSystem.h"
#include "platform/Journaling.h"
#include "protocol/VcmCommand.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "serial/PortTable.h"

namespace {

using SystemClock = std::chrono::system_clock;

}  // namespace

// The calendar of the proleptic Gregorian days, so no time zone call is needed.
std::string JournalTimeText(int64_t ms) {
  const std::chrono::sys_days day{std::chrono::days{ms >= 0 ? ms / 86400000 : (ms - 86399999) / 86400000}};
  const std::chrono::year_month_day date{day};
  const int64_t inDay = ms - static_cast<int64_t>(day.time_since_epoch().count()) * 86400000;
  std::array<char, 40> text{};
  (void)std::snprintf(text.data(), text.size(), "%04d-%02u-%02uT%02d:%02d:%02d.%03d", static_cast<int>(date.year()),
                      static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                      static_cast<int>(inDay / 3600000), static_cast<int>(inDay / 60000 % 60),
                      static_cast<int>(inDay / 1000 % 60), static_cast<int>(inDay % 1000));
  return text.data();
}

namespace {

std::string RandomHex() {
  thread_local std::mt19937 random{std::random_device{}()};
  std::array<char, 8> text{};
  (void)std::snprintf(text.data(), text.size(), "%04x", static_cast<unsigned>(random() & 0xFFFF));
  return text.data();
}

// The id's time as a file name may hold it (no ':').
std::string FileSafe(std::string text) {
  std::replace(text.begin(), text.end(), ':', '-');
  return text;
}

// A drive version in a file name: '_' parts the name's fields, so it is no part of a version.
std::string VersionFileText(const std::string& version) {
  std::string text = PortFileText(version);
  std::replace(text.begin(), text.end(), '_', '-');
  return text.empty() ? "unknown" : text;
}

// Whether the snapshot file `name` is one of `portText` (and of `versionText`, when given).
bool IsSnapshotOf(const std::string& name, const std::string& portText, const std::string& versionText) {
  const std::string lead = portText + "_";
  if (name.size() < lead.size() + 4 || name.compare(0, lead.size(), lead) != 0 || !name.ends_with(".dpf")) {
    return false;
  }
  // The id follows the port: a port whose name another's begins with is told apart by it.
  if (!std::isdigit(static_cast<unsigned char>(name[lead.size()]))) return false;
  const std::string tail = "_" + versionText + ".dpf";
  return versionText.empty() || name.ends_with(tail);
}

// The port a snapshot file belongs to: its name up to the '_' before the id.
std::string SnapshotPortText(const std::string& name) {
  for (size_t at = name.find('_'); at != std::string::npos; at = name.find('_', at + 1)) {
    if (at + 1 < name.size() && std::isdigit(static_cast<unsigned char>(name[at + 1]))) return name.substr(0, at);
  }
  return {};
}

}  // namespace

std::string PortFileText(const std::string& portName) {
  std::string text;
  for (const char c : portName) {
    const bool plain = std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_';
    if (plain) text += c;
    else if (!text.empty() && text.back() != '-') text += '-';
  }
  return text;
}

std::string PortNameOf(const CVcmCommand& link) { return portmap::DisplayName(link.GetPortNumber()); }

CJournal::CJournal(std::string folder, std::string program)
    : m_folder(std::move(folder)), m_program(std::move(program)) {}

journal::Record CJournal::NewRecord(const CVcmCommand& link, const JournalRun& run) const {
  const int64_t ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(SystemClock::now().time_since_epoch()).count();
  const int offset = platform::UtcOffsetMinutes(ms / 1000);
  std::array<char, 24> zone{};
  (void)std::snprintf(zone.data(), zone.size(), "%c%02d:%02d", offset < 0 ? '-' : '+', std::abs(offset) / 60,
                      std::abs(offset) % 60);
  journal::Record record;
  record.id = JournalTimeText(ms) + "Z-" + RandomHex();
  record.time = JournalTimeText(ms + int64_t{offset} * 60000) + zone.data();
  record.user = platform::UserName();
  record.host = platform::HostName();
  record.program = m_program;
  record.port = PortNameOf(link);
  record.version = link.GetVersion();
  record.action = run.action.empty() ? journal_action::kWrite : run.action;
  record.file = run.file;
  record.undoes = run.undoes;
  std::string bytes;
  if (!run.file.empty() && platform::ReadFile(run.file, bytes) == platform::ReadResult::Ok) {
    record.fileSha256 = platform::Sha256Hex(bytes);
  }
  return record;
}

std::string CJournal::Keep(const journal::Record& record) const {
  if (m_folder.empty()) return res::LoadString(ids::JournalNoFolder);
  return journal::Append(m_folder, record);
}

CJournal::Snapshot CJournal::TakeSnapshot(CVcmCommand& link, const CParamDescFile& model, const std::string& id,
                                          const std::function<bool()>& between) const {
  Snapshot snapshot;
  std::vector<DpfEntry> entries;
  std::string notRead;
  for (const int32_t address : SavedAllAddresses(model)) {
    if (!link.FindCachedParam(address) && between && between()) {
      snapshot.cancelled = true;
      return snapshot;
    }
    if (!link.FindCachedParam(address) && link.ReadParam(address) <= 0) {
      if (!link.IsOpen()) {
        snapshot.lineLost = true;
        return snapshot;
      }
      notRead += (notRead.empty() ? "" : ", ") + std::to_string(address);
      continue;  // never stored as a value the drive did not give
    }
    entries.push_back({address, 0, 0, link.FindCachedParam(address)->value});
  }
  const std::string folder = SnapshotFolder();
  const std::string portText = PortFileText(PortNameOf(link));
  const std::string versionText = VersionFileText(link.GetVersion());
  const std::string path = folder + portText + "_" + FileSafe(id) + "_" + versionText + ".dpf";
  if (m_folder.empty() || !platform::MakeFolder(m_folder.substr(0, m_folder.size() - 1)) ||
      !platform::MakeFolder(folder.substr(0, folder.size() - 1)) || !WriteParamFile(path, link.GetVersion(), entries)) {
    snapshot.fault = res::FormatString(ids::JournalSnapshotNotWritten, {m_folder.empty() ? folder : path});
    return snapshot;
  }
  snapshot.path = path;
  if (!notRead.empty()) snapshot.fault = res::FormatString(ids::JournalSnapshotNotRead, {notRead});

  std::vector<std::string> same;
  for (const std::string& name : platform::ListFiles(folder)) {
    if (IsSnapshotOf(name, portText, versionText)) same.push_back(name);
  }
  if (same.size() > kSnapshotsKept) {
    std::sort(same.begin(), same.end());  // the id's time sorts them oldest first
    for (size_t i = 0; i + kSnapshotsKept < same.size(); ++i) (void)platform::RemoveFile(folder + same[i]);
  }
  return snapshot;
}

std::vector<std::string> CJournal::Snapshots(const std::string& port) const {
  const std::string portText = PortFileText(port);
  std::vector<std::pair<std::string, std::string>> found;  // (the id part, name)
  for (const std::string& name : platform::ListFiles(SnapshotFolder())) {
    if (!name.ends_with(".dpf")) continue;
    const std::string owner = SnapshotPortText(name);
    if (owner.empty() || (!port.empty() && !IsSnapshotOf(name, portText, {}))) continue;
    found.emplace_back(name.substr(owner.size() + 1), name);
  }
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  std::vector<std::string> paths;
  paths.reserve(found.size());
  for (const auto& [id, name] : found) paths.push_back(SnapshotFolder() + name);
  return paths;
}

std::vector<journal::Record> CJournal::Records(const std::string& port, const std::string& since) const {
  std::vector<journal::Record> records = journal::Read(m_folder, {port, since});
  std::reverse(records.begin(), records.end());
  return records;
}
