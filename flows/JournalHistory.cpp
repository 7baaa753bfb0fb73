#include "flows/JournalHistory.h"

#include <algorithm>
#include <set>

#include "flows/DpfFlows.h"
#include "flows/FrameLogic.h"
#include "flows/Journal.h"
#include "flows/Undo.h"
#include "params/ParamDescFile.h"
#include "platform/FileSystem.h"
#include "protocol/VcmCommand.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"

namespace {

std::string ValueText(const std::optional<int64_t>& value) {
  return value ? std::to_string(*value) : res::LoadString(ids::HistoryUnknown);
}

}  // namespace

CHistoryLogic::CHistoryLogic(CJournal& journal, CFrameLogic& frame, CParamDescFile& model)
    : m_journal(journal), m_frame(frame), m_model(model) {}

void CHistoryLogic::Reload() {
  m_all = m_journal.Records(std::string());
  std::set<std::string> ports, versions;
  for (const journal::Record& record : m_all) {
    ports.insert(record.port);
    versions.insert(record.version);
  }
  m_ports.assign(ports.begin(), ports.end());
  m_versions.assign(versions.begin(), versions.end());
  Filter();
}

void CHistoryLogic::SetFilter(const std::string& port, const std::string& version) {
  m_port = port;
  m_version = version;
  Filter();
}

void CHistoryLogic::Filter() {
  m_shown.clear();
  for (const journal::Record& record : m_all) {
    if ((m_port.empty() || record.port == m_port) && (m_version.empty() || record.version == m_version)) {
      m_shown.push_back(record);
    }
  }
}

std::vector<std::string> CHistoryLogic::RowTexts(const journal::Record& record) {
  // The local time to the second reads best; the id keeps the milliseconds.
  const std::string time = record.time.substr(0, 19);
  return {time.size() > 10 ? time.substr(0, 10) + " " + time.substr(11) : time, record.port,
          res::DisplayText(record.version), record.action, record.outcome};
}

std::vector<std::string> CHistoryLogic::DetailLines(const journal::Record& record) {
  std::vector<std::string> lines{res::FormatString(
      ids::HistoryWhoLine,
      {record.user, record.host, res::LoadString(record.inFlash ? ids::HistoryFlash : ids::HistoryNotFlash)})};
  if (!record.file.empty()) lines.push_back(res::FormatString(ids::HistoryFileLine, {record.file}));
  if (!record.snapshot.empty()) lines.push_back(res::FormatString(ids::HistorySnapshotLine, {record.snapshot}));
  for (const journal::Entry& entry : record.entries) {
    lines.push_back(res::FormatString(
        ids::HistoryEntryLine,
        {entry.param, res::DisplayText(entry.label), ValueText(entry.before), ValueText(entry.after), entry.state}));
  }
  return lines;
}

bool CHistoryLogic::OnConnectedDrive(size_t row) const {
  const CVcmCommand& link = m_frame.Link();
  return row < m_shown.size() && link.IsOpen() && m_model.IsLoaded() && m_shown[row].port == PortNameOf(link) &&
         m_shown[row].version == link.GetVersion();
}

bool CHistoryLogic::HasSnapshot(size_t row) const {
  return row < m_shown.size() && !m_shown[row].snapshot.empty() && platform::Inspect(m_shown[row].snapshot).Exists();
}

Outcome CHistoryLogic::Undo(size_t row) {
  if (row >= m_shown.size()) return Outcome::BadInput;
  const journal::Record record = m_shown[row];
  const Outcome outcome = UndoRecord(m_frame, m_model, record, {});
  Reload();
  return outcome;
}

Outcome CHistoryLogic::RestoreSnapshot(size_t row) {
  if (!HasSnapshot(row)) return Outcome::FileError;
  const journal::Record record = m_shown[row];
  if (!OnConnectedDrive(row)) {
    m_frame.ShowText(ids::HistoryNeedsDrive, MsgIcon::Error);
    return Outcome::BadInput;
  }
  DpfRunControl control;
  control.undoes = record.id;
  const Outcome outcome = ::RestoreSnapshot(m_frame, m_model, record.snapshot, control);
  Reload();
  return outcome;
}
