#include "flows/UserParamsLogic.h"

#include "resources/StringIds.h"
#include "resources/Strings.h"

namespace {

// Sub-fields whose raise the user confirms first: the stop current (above 50 %
// heats the motor) and the pulse input filter (high values alarm at speed).
struct GuardedField {
  int32_t address;
  int32_t offset;
  int questionId;
};
constexpr GuardedField kGuardedFields[] = {
    {16, 4, ids::StopCurrentWarning},
    {30, 5, ids::PulseFilterWarning},
};
constexpr int32_t kHighestUnguardedValue = 5;

}  // namespace

CUserParamsLogic::CUserParamsLogic(CVcmCommand& link, CParamDescFile& model, CUserParamsForm& form,
                                   CUserParamsEvents& events, CPromptInterface& prompt)
    : m_link(link), m_model(model), m_form(form), m_events(events), m_prompt(prompt) {}

bool CUserParamsLogic::Handle(int message, intptr_t wParam, intptr_t lParam) {
  switch (message) {
    case UM_CHECK_LINK:
      OnCheckLink();
      return true;
    case UM_READ_VERSION:
      OnReadVersion();
      return true;
    case UM_READ_PARAMS:
      OnReadParams();
      return true;
    case UM_DISCONNECT:
      OnDisconnect();
      return true;
    case UM_SET_PARAM:
      OnSetParam(static_cast<int>(wParam), static_cast<int32_t>(lParam));
      return true;
    default:
      return false;
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

int CUserParamsLogic::RowCount() const {
  const unsigned count = m_model.GetUserViewCount();
  return count < CUserParamsForm::kRows ? static_cast<int>(count) : CUserParamsForm::kRows;
}

int32_t CUserParamsLogic::CachedValue(int32_t address) const {
  const CachedParam* cached = m_link.FindCachedParam(address);
  return cached ? cached->value : 0;
}

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
  const bool qm71 = version.find("QM71") != std::string::npos;
  // A failed load leaves no model; reading the parameters then tells the user.
  m_model.Load(qm71 ? kQm71Description : kDefaultDescription);
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
    Show(res::LoadString(ids::DescFileFailed), ids::DescFileCaption, MsgIcon::Error);
    return false;
  }
  // A question box runs the event loop, and a newer read-in may load another
  // model meanwhile: entries are copied, and a changed model ends this one.
  const unsigned generation = m_model.GetGeneration();
  const int rows = RowCount();
  for (int i = 0; i < rows; ++i) {
    const CUserViewData entry = *m_model.GetUserViewData(static_cast<unsigned>(i));
    if (!m_model.FindParam(entry.address)) {
      Show(res::FormatString(ids::UserViewParamMissing, {std::to_string(entry.address)}), ids::DescFileCaption,
           MsgIcon::Error);
      return false;
    }
    if (entry.nested && !m_model.FindNested(entry.address, entry.offset)) {
      // The drive stays connected, but the form cannot show this entry or the ones
      // after it with the drive's values: say why.
      Show(res::FormatString(ids::UserViewFieldMissing, {std::to_string(entry.address), std::to_string(entry.offset)}),
           ids::DescFileCaption, MsgIcon::Error);
      if (m_model.GetGeneration() != generation) return false;
    }
    for (;;) {
      const int result = m_link.ReadParam(entry.address);
      if (result > 0) break;
      if (result != rc::Refused) {
        m_events.SendToFrame(UM_REPORT_ERROR, 0);
        return false;
      }
      const intptr_t answer = m_events.SendToFrame(UM_REPORT_ERROR, ids::RetryReadParam);
      if (answer == btn::Cancel || m_model.GetGeneration() != generation) return false;
      if (answer == btn::Retry || answer == btn::TryAgain) continue;
      break;  // Continue: this parameter keeps what the cache had
    }
  }
  return true;
}

std::optional<std::string> CUserParamsLogic::LabelOf(const CUserViewData& entry) const {
  if (!entry.display.empty()) return entry.display;
  const CParamInterface* node = entry.nested ? static_cast<const CParamInterface*>(
                                                   m_model.FindNested(entry.address, entry.offset))
                                             : m_model.FindParam(entry.address);
  if (!node) return std::nullopt;
  return node->GetName();
}

void CUserParamsLogic::FillUserParams() {
  if (!m_model.IsLoaded()) return;
  const int rows = RowCount();
  for (int i = 0; i < rows; ++i) {
    const CUserViewData& entry = *m_model.GetUserViewData(static_cast<unsigned>(i));
    const std::optional<std::string> label = LabelOf(entry);
    if (!label) return;  // the rows after it keep what they showed
    m_form.SetRowLabel(i, res::DisplayText(*label));
    std::vector<std::pair<int32_t, std::string>> choices;
    for (const auto& [value, text] : entry.choices) choices.emplace_back(value, res::DisplayText(text));
    m_form.SetRowChoices(i, choices);
  }
  const bool connected = m_link.IsOpen();
  for (int i = 0; i < CUserParamsForm::kRows; ++i) {
    m_form.ShowRow(i, i < rows);
    if (i < rows) m_form.EnableRow(i, connected);
  }
}

void CUserParamsLogic::SelectCurrentValues() {
  if (!m_model.IsLoaded()) return;
  if (!m_link.IsOpen()) {
    for (int i = 0; i < CUserParamsForm::kRows; ++i) m_form.SelectRowValue(i, std::nullopt);
    return;
  }
  const int rows = RowCount();
  for (int i = 0; i < rows; ++i) {
    const CUserViewData& entry = *m_model.GetUserViewData(static_cast<unsigned>(i));
    if (!m_model.FindParam(entry.address)) return;
    int32_t value = CachedValue(entry.address);
    if (entry.nested) {
      const CNestedNode* field = m_model.FindNested(entry.address, entry.offset);
      if (!field) return;
      value = ExtractNestedValue(value, field);
    }
    m_form.SelectRowValue(i, value);
  }
}

bool CUserParamsLogic::ConfirmWarning(const CUserViewData& entry, const CNestedNode& field, int32_t value) {
  for (const GuardedField& guarded : kGuardedFields) {
    if (entry.address != guarded.address || entry.offset != guarded.offset) continue;
    const int32_t current = ExtractNestedValue(CachedValue(guarded.address), &field);
    if (value == current || value <= kHighestUnguardedValue) return true;
    return Show(res::LoadString(guarded.questionId), ids::SetParamCaption, MsgIcon::Warning, MsgButtons::YesNo) ==
           btn::Yes;
  }
  return true;
}

void CUserParamsLogic::OnSetParam(int row, int32_t value) {
  if (!m_model.IsLoaded() || row < 0 || row >= RowCount()) return;
  // Copied: the warning box runs the event loop, which may load another model.
  const CUserViewData entry = *m_model.GetUserViewData(static_cast<unsigned>(row));
  const unsigned generation = m_model.GetGeneration();
  int32_t raw = value;
  if (entry.nested) {
    if (!m_model.FindParam(entry.address) || !m_model.FindNested(entry.address, entry.offset)) return;
    if (!ConfirmWarning(entry, *m_model.FindNested(entry.address, entry.offset), value)) {
      SelectCurrentValues();
      return;
    }
    // A model loaded while the question was open may describe this row otherwise.
    if (m_model.GetGeneration() != generation) return;
    raw = InsertNestedValue(CachedValue(entry.address), m_model.FindNested(entry.address, entry.offset), value);
  }

  if (!m_link.FindCachedParam(entry.address)) {
    // Never read from this drive (its read was skipped): the write would fail
    // without a word on the line, and the report would repeat an older failure.
    Show(res::FormatString(ids::ParamNotCached, {std::to_string(entry.address)}), ids::SetParamCaption,
         MsgIcon::Error);
    SelectCurrentValues();
    return;
  }
  if (m_link.WriteParam(entry.address, raw) <= 0) {
    m_events.SendToFrame(UM_REPORT_ERROR, 0);
    return;
  }
  if (CachedValue(entry.address) != raw) {
    Show(res::LoadString(ids::SetParamFailed), ids::SetParamCaption, MsgIcon::Error);
    return;
  }
  m_events.SendToFrame(UM_SAVE_DRIVE_PARAMS);
}

void CUserParamsLogic::OnDisconnect() {
  m_link.Close();
  m_form.SetVersionLine(res::LoadString(ids::VersionPrefix));
  const bool connected = m_link.IsOpen();
  for (int i = 0; i < CUserParamsForm::kRows; ++i) m_form.EnableRow(i, connected);
  SelectCurrentValues();
}
