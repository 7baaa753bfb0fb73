// The write gate's record of each run in the journal, and the snapshot before it.

#include "flows/FrameLogic.h"
#include "flows/Prompt.h"
#include "flows/WriteGate.h"
#include "params/ParamDescFile.h"
#include "protocol/VcmCommand.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"

Outcome CWriteGate::BeforeWrites(journal::Record& record) {
  if (!m_host.journal) return Outcome::Done;
  record = m_host.journal->NewRecord(m_host.link, m_run);
  if (!m_run.snapshot) return Outcome::Done;
  const CJournal::Snapshot snapshot = m_host.journal->TakeSnapshot(m_host.link, m_model, record.id, m_run.between);
  if (snapshot.cancelled) return Outcome::Cancelled;
  if (snapshot.lineLost) {
    m_host.reportError();
    return Outcome::LinkFailed;
  }
  record.snapshot = snapshot.path;
  if (snapshot.fault.empty()) return Outcome::Done;
  // What the drive holds now may not come back whole: writing anyway is the user's choice.
  return Ask(res::FormatString(ids::JournalSnapshotQuestion, {snapshot.fault}), 0) == btn::Yes ? Outcome::Done
                                                                                               : Outcome::Cancelled;
}

void CWriteGate::AddEntries(journal::Record& record, const std::vector<PlannedWrite>& planned,
                            const std::vector<WrittenEntry>& written, const std::vector<ParamChange>& changes) const {
  for (size_t i = 0; i < planned.size() && i < written.size(); ++i) {
    journal::Entry entry;
    entry.param = ParamRefText(planned[i].ref);
    entry.label = ParamLabel(m_model, planned[i].ref);
    entry.asked = planned[i].value;
    for (const ParamChange& change : changes) {
      if (change.address == planned[i].ref.address && change.before) {
        entry.before = EntryValueIn(m_model, planned[i].ref, *change.before);
      }
    }
    if (written[i].held) entry.after = *written[i].held;
    entry.state = EntryEndName(written[i].end);
    record.entries.push_back(std::move(entry));
  }
}

void CWriteGate::KeepRecord(const journal::Record& record) {
  if (!m_host.journal) return;
  const std::string why = m_host.journal->Keep(record);
  if (why.empty()) return;
  m_host.prompt.ShowMessage(
      {res::FormatString(ids::JournalNotKept, {why}), std::string(), MsgIcon::Warning, MsgButtons::Ok});
}
