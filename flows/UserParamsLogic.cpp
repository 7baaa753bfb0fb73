#include "flows/UserParamsLogic.h"

#include "flows/DriveSession.h"
#include "flows/ParamAccess.h"
#include "flows/WriteGate.h"
#include "resources/DescriptionTexts.h"

#include "resources/StringIds.h"
#include "resources/Strings.h"

CUserParamsLogic::CUserParamsLogic(CVcmCommand& link, CParamDescFile& model, CUserParamsForm& form,
                                   CUserParamsEvents& events, CPromptInterface& prompt)
    : m_link(link), m_model(model), m_form(form), m_events(events), m_prompt(prompt) {}

namespace {
// Link check and version before the entries: the read-in's units of work.
constexpr size_t kReadInSteps = 2;
bool IsReadInStep(int message) {
  return message == UM_READ_VERSION || message == UM_READ_PARAMS || message == UM_DISCONNECT;
}
}  // namespace

bool CUserParamsLogic::Handle(int message, intptr_t wParam, intptr_t lParam) {
  if (message < UM_CHECK_LINK || message > UM_SET_PARAM) return false;
  // A handler never starts a transaction inside another's: what comes while a flow
  // runs waits for it, but the read-in goes on with its own next step.
  const bool ownStep = m_readIn && !m_inStep && IsReadInStep(message);
  if ((m_inStep || (m_flows && m_flows->IsRunning())) && !ownStep) {
    m_waiting.push_back({message, wParam, lParam});
    return true;
  }
  m_inStep = true;
  struct StepEnd {
    CUserParamsLogic& logic;
    ~StepEnd() {
      logic.m_inStep = false;
      // What came while this step ran goes on now, unless a flow still runs.
      if (!logic.m_flows || !logic.m_flows->IsRunning()) logic.OnFlowsIdle();
    }
  } stepEnd{*this};
  switch (message) {
    case UM_CHECK_LINK: OnCheckLink(); return true;
    case UM_READ_VERSION: OnReadVersion(); return true;
    case UM_READ_PARAMS: OnReadParams(); return true;
    case UM_DISCONNECT: OnDisconnect(); return true;
    case UM_SET_PARAM: OnSetParam(static_cast<int>(wParam), static_cast<int32_t>(lParam)); return true;
    default: return false;
  }
}

void CUserParamsLogic::OnRowActivated(int row, int32_t value) {
  if (row == m_movedRow) m_movedRow = -1;
  // A list opened and closed on the value the drive holds changes nothing, so
  // neither the drive nor its flash is written.
  if (DriveValue(row) == value) return;
  m_events.PostToView(UM_SET_PARAM, row, value);
}

void CUserParamsLogic::OnRowMoved(int row) {
  // Only one list has the focus; a row left behind without a choice shows the drive again.
  if (m_movedRow >= 0 && m_movedRow != row) ShowDriveValue(m_movedRow);
  m_movedRow = row;
}

void CUserParamsLogic::OnRowLeft(int row) {
  if (row != m_movedRow) return;
  m_movedRow = -1;
  ShowDriveValue(row);
}

void CUserParamsLogic::OnFlowsIdle() {
  std::vector<Waiting> waiting;
  waiting.swap(m_waiting);
  for (const Waiting& w : waiting) m_events.PostToView(static_cast<AppMessage>(w.message), w.wParam, w.lParam);
}

bool CUserParamsLogic::ReadInStopped(size_t done) {
  if (!m_readIn || !m_readIn->Between(done, kReadInSteps + ShownEntryCount(m_model))) return false;
  // Cancel during the read-in leaves no half-read drive connected.
  EndReadIn();
  OnDisconnect();
  return true;
}

void CUserParamsLogic::EndReadIn() { m_readIn.reset(); }

int CUserParamsLogic::Show(const std::string& text, int captionId, MsgIcon icon, MsgButtons buttons) {
  MessageSpec message;
  message.text = text;
  message.caption = res::LoadString(captionId);
  message.icon = icon;
  message.buttons = buttons;
  return m_prompt.ShowMessage(message);
}

int CUserParamsLogic::RowCount() const { return static_cast<int>(ShownEntryCount(m_model)); }

void CUserParamsLogic::OnCheckLink() {
  if (!m_link.IsOpen()) return;
  m_readIn = std::make_unique<CLongWork>(m_flows, m_prompt, ids::FlowReadingParams);
  if (ReadInStopped(0)) return;
  if (m_link.CheckLink() <= 0) {
    m_events.SendToFrame(UM_REPORT_ERROR, 0);
    m_events.PostToView(UM_DISCONNECT);
    EndReadIn();
    return;
  }
  m_events.PostToView(UM_READ_VERSION);
}

void CUserParamsLogic::OnReadVersion() {
  if (!m_link.IsOpen()) {
    EndReadIn();
    return;
  }
  if (ReadInStopped(1)) return;
  if (m_link.ReadVersion() <= 0) {
    m_events.SendToFrame(UM_REPORT_ERROR, 0);
    m_events.PostToView(UM_DISCONNECT);
    EndReadIn();
    return;
  }
  const std::string& version = m_link.GetVersion();
  m_form.SetVersionLine(res::LoadString(ids::VersionPrefix) + res::DisplayText(version));
  // A failed load leaves no model; reading the parameters then tells the user.
  m_model.Load(DescriptionFileFor(version));
  m_events.PostToView(UM_READ_PARAMS);
}

void CUserParamsLogic::OnReadParams() {
  const unsigned generation = m_model.GetGeneration();
  if (!ReadUserParams()) {
    if (!m_link.IsOpen() && !m_readIn) return;  // stopped by Cancel: disconnected already
    // A read-in that loaded another model while a question was open owns the port
    // and the form now; its own end decides whether the port closes.
    if (m_model.GetGeneration() == generation) m_events.PostToView(UM_DISCONNECT);
    EndReadIn();
    return;
  }
  EndReadIn();
  FillUserParams();
  SelectCurrentValues();
}

bool CUserParamsLogic::ReadUserParams() {
  if (!m_model.IsLoaded()) {
    Show(DescriptionFailedText(m_model), ids::DescFileCaption, MsgIcon::Error);
    return false;
  }
  const unsigned generation = m_model.GetGeneration();
  bool fatal = false;
  if (const std::optional<std::string> fault = ShownEntriesFault(m_model, &fatal)) {
    // A missing sub-field keeps the drive connected; the form shows the entries
    // before it with the drive's values and says why it shows no more.
    Show(*fault, ids::DescFileCaption, MsgIcon::Error);
    if (fatal || m_model.GetGeneration() != generation) return false;
  }
  const Outcome read = ReadShownEntries(
      m_link, m_model,
      [this](int question) { return static_cast<int>(m_events.SendToFrame(UM_REPORT_ERROR, question)); }, nullptr,
      [this](unsigned done, unsigned) { return ReadInStopped(kReadInSteps + done); });
  return read == Outcome::Done;
}

void CUserParamsLogic::FillUserParams() {
  if (!m_model.IsLoaded()) return;
  // The rows stop at the first entry the description lacks; every row after it
  // is emptied as well as hidden, so nothing of an earlier model stays behind to
  // be picked.
  const int rows = RowCount();
  m_filledRows = 0;
  while (m_filledRows < rows && EntryLabel(m_model, *m_model.GetUserViewData(static_cast<unsigned>(m_filledRows)))) {
    ++m_filledRows;
  }
  for (int i = 0; i < CUserParamsForm::kRows; ++i) {
    ShownRow next;
    next.set = true;
    next.visible = i < m_filledRows;
    if (next.visible) {
      const CUserViewData& entry = *m_model.GetUserViewData(static_cast<unsigned>(i));
      next.label = res::ShownText(*EntryLabel(m_model, entry));
      for (const auto& [value, text] : entry.choices) next.choices.emplace_back(value, res::ShownText(text));
    }
    ShownRow& shown = m_shown[static_cast<size_t>(i)];
    if (!shown.set || shown.label != next.label) m_form.SetRowLabel(i, next.label);
    if (!shown.set || shown.choices != next.choices) {
      m_form.SetRowChoices(i, next.choices);
    } else {
      m_form.SelectRowValue(i, std::nullopt);  // as a list filled afresh
    }
    if (!shown.set || shown.visible != next.visible) m_form.ShowRow(i, next.visible);
    m_form.EnableRow(i, false);
    shown = std::move(next);
  }
}

void CUserParamsLogic::SelectCurrentValues() {
  if (!m_model.IsLoaded()) return;
  m_movedRow = -1;
  for (int i = 0; i < CUserParamsForm::kRows; ++i) ShowDriveValue(i);
}

std::optional<int32_t> CUserParamsLogic::DriveValue(int row) const {
  if (!m_model.IsLoaded() || !m_link.IsOpen() || row < 0 || row >= m_filledRows) return std::nullopt;
  const CUserViewData& entry = *m_model.GetUserViewData(static_cast<unsigned>(row));
  const CachedParam* cached = m_link.FindCachedParam(entry.address);
  if (!cached) return std::nullopt;
  return entry.nested ? ExtractNestedValue(cached->value, m_model.FindNested(entry.address, entry.offset))
                      : cached->value;
}

void CUserParamsLogic::ShowDriveValue(int row) {
  const std::optional<int32_t> value = DriveValue(row);
  // A row shows only what this drive said; one it could not read says so and
  // cannot be picked, since a pick would write beside a value nobody knows. A
  // value its list lacks is shown as a number, so a drive set wrongly before does
  // not look like an empty row.
  std::string placeholder;
  if (m_link.IsOpen() && row < m_filledRows) {
    const CUserViewData& entry = *m_model.GetUserViewData(static_cast<unsigned>(row));
    placeholder = value ? UnlistedValueText(m_model, EntryRef(entry), *value) : res::LoadString(ids::RowNotRead);
  }
  m_form.SetRowPlaceholder(row, placeholder);
  m_form.SelectRowValue(row, value);
  m_form.EnableRow(row, value.has_value());
}

void CUserParamsLogic::OnSetParam(int row, int32_t value) {
  if (!m_model.IsLoaded() || row < 0 || row >= m_filledRows) return;
  const CUserViewData& entry = *m_model.GetUserViewData(static_cast<unsigned>(row));
  if (!m_link.FindCachedParam(entry.address)) {
    // Never read from this drive: the row cannot show what the pick would change.
    Show(res::FormatString(ids::ParamNotCached, {std::to_string(entry.address)}), ids::SetParamCaption, MsgIcon::Error);
    SelectCurrentValues();
    return;
  }
  if (row == m_movedRow) m_movedRow = -1;  // the write decides what the row shows
  WritePlan plan;
  plan.entries.push_back({EntryRef(entry), value, {}});
  // Short, but a flow all the same: the line watch keeps off the link meanwhile.
  std::optional<CFlowState::Running> running;
  if (m_flows) running.emplace(m_flows->Begin(0));
  CWriteGate gate({m_link, m_prompt, [this] { m_events.SendToFrame(UM_REPORT_ERROR, 0); },
                   [this](ChangeCommandKey key) {
                     // The frame tells the user of a failed save itself and answers 0 either way.
                     m_events.SendToFrame(UM_SAVE_DRIVE_PARAMS, reinterpret_cast<intptr_t>(&key));
                     return 1;
                   },
                   nullptr, nullptr, m_journal},
                  m_model);
  gate.SetRun(JournalRun::Of(journal_action::kPick));
  const WriteReport report = gate.Run(plan);
  if (report.outcome == Outcome::Done) {
    ShowDriveValue(row);
    return;
  }
  // The row shows what the drive holds after a failed or declined write, not the
  // pick; a port lost on the way empties the view.
  if (!m_link.IsOpen()) {
    OnDisconnect();
    return;
  }
  SelectCurrentValues();
}

void CUserParamsLogic::OnDisconnect() {
  m_link.Close();
  m_movedRow = -1;
  m_form.SetVersionLine(res::LoadString(ids::VersionPrefix));
  for (int i = 0; i < CUserParamsForm::kRows; ++i) {
    m_form.SetRowPlaceholder(i, std::string());
    m_form.SelectRowValue(i, std::nullopt);
    m_form.EnableRow(i, false);
  }
}
