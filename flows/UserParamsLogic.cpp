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

bool CUserParamsLogic::Handle(int message, intptr_t wParam, intptr_t lParam) {
  switch (message) {
    case UM_CHECK_LINK: OnCheckLink(); return true;
    case UM_READ_VERSION: OnReadVersion(); return true;
    case UM_READ_PARAMS: OnReadParams(); return true;
    case UM_DISCONNECT: OnDisconnect(); return true;
    case UM_SET_PARAM: OnSetParam(static_cast<int>(wParam), static_cast<int32_t>(lParam)); return true;
    default: return false;
  }
}

void CUserParamsLogic::OnRowActivated(int row, int32_t value) { m_events.PostToView(UM_SET_PARAM, row, value); }

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
  if (m_link.CheckLink() <= 0) {
    m_events.SendToFrame(UM_REPORT_ERROR, 0);
    m_events.PostToView(UM_DISCONNECT);
    return;
  }
  m_events.PostToView(UM_READ_VERSION);
}

void CUserParamsLogic::OnReadVersion() {
  if (!m_link.IsOpen()) return;
  if (m_link.ReadVersion() <= 0) {
    m_events.SendToFrame(UM_REPORT_ERROR, 0);
    m_events.PostToView(UM_DISCONNECT);
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
    // A read-in that loaded another model while a question was open owns the port
    // and the form now; its own end decides whether the port closes.
    if (m_model.GetGeneration() == generation) m_events.PostToView(UM_DISCONNECT);
    return;
  }
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
      [this](int question) { return static_cast<int>(m_events.SendToFrame(UM_REPORT_ERROR, question)); }, nullptr);
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
  const bool connected = m_link.IsOpen();
  for (int i = 0; i < CUserParamsForm::kRows; ++i) {
    std::optional<int32_t> value;
    if (connected && i < m_filledRows) {
      const CUserViewData& entry = *m_model.GetUserViewData(static_cast<unsigned>(i));
      if (const CachedParam* cached = m_link.FindCachedParam(entry.address)) {
        value = entry.nested ? ExtractNestedValue(cached->value, m_model.FindNested(entry.address, entry.offset))
                             : cached->value;
      }
    }
    // A row shows only what this drive said; one it could not read says so and
    // cannot be picked, since a pick would write beside a value nobody knows.
    const bool unread = connected && i < m_filledRows && !value;
    m_form.SetRowPlaceholder(i, unread ? res::LoadString(ids::RowNotRead) : std::string());
    m_form.SelectRowValue(i, value);
    m_form.EnableRow(i, value.has_value());
  }
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
  WritePlan plan;
  plan.entries.push_back({EntryRef(entry), value, {}});
  CWriteGate gate({m_link, m_prompt, [this] { m_events.SendToFrame(UM_REPORT_ERROR, 0); },
                   [this](ChangeCommandKey key) {
                     // The frame tells the user of a failed save itself and answers 0 either way.
                     m_events.SendToFrame(UM_SAVE_DRIVE_PARAMS, reinterpret_cast<intptr_t>(&key));
                     return 1;
                   },
                   nullptr, nullptr},
                  m_model);
  const WriteReport report = gate.Run(plan);
  if (report.outcome == Outcome::Done) return;
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
  m_form.SetVersionLine(res::LoadString(ids::VersionPrefix));
  for (int i = 0; i < CUserParamsForm::kRows; ++i) {
    m_form.SetRowPlaceholder(i, std::string());
    m_form.SelectRowValue(i, std::nullopt);
    m_form.EnableRow(i, false);
  }
}
