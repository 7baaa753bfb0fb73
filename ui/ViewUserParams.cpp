#include "ui/ViewUserParams.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>

#include "flows/UserParamsLogic.h"
#include "params/ParamDescFile.h"
#include "protocol/VcmCommand.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "ui/AppMessages.h"
#include "ui/DialogUnits.h"

namespace {

QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }

// Hands the view's questions to whatever prompt the frame gave it.
class CForwardingPrompt : public CPromptInterface {
 public:
  CPromptInterface* target = nullptr;
  int ShowMessage(const MessageSpec& message) override { return target ? target->ShowMessage(message) : 0; }
  std::optional<std::string> AskFileName(const FileDialogSpec& dialog) override {
    return target ? target->AskFileName(dialog) : std::nullopt;
  }
  std::unique_ptr<CProgInterface> CreateProgress() override { return target ? target->CreateProgress() : nullptr; }
};

// Drops wheel turns over a list that does not have the keyboard focus.
class CWheelGuard : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Wheel) return false;
    const auto* widget = qobject_cast<QWidget*>(watched);
    return widget && !widget->hasFocus();
  }
};

}  // namespace

struct CViewUserParams::Impl : CUserParamsForm, CUserParamsEvents {
  Impl(CViewUserParams& view, CVcmCommand& link, CParamDescFile& model)
      : view(view), logic(link, model, *this, *this, prompt) {}

  // CUserParamsForm
  void SetVersionLine(const std::string& text) override { versionLine->setText(Text(text)); }
  void SetRowLabel(int row, const std::string& text) override { labels[row]->setText(Text(text)); }
  void SetRowChoices(int row, const std::vector<std::pair<int32_t, std::string>>& choices) override {
    QComboBox* list = lists[row];
    list->clear();
    for (const auto& [value, text] : choices) list->addItem(Text(text), QVariant(static_cast<int>(value)));
    list->setCurrentIndex(-1);
  }
  void SelectRowValue(int row, std::optional<int32_t> value) override {
    QComboBox* list = lists[row];
    list->setCurrentIndex(value ? list->findData(QVariant(static_cast<int>(*value))) : -1);
  }
  void SetRowPlaceholder(int row, const std::string& text) override { lists[row]->setPlaceholderText(Text(text)); }
  void ShowRow(int row, bool visible) override {
    labels[row]->setVisible(visible);
    lists[row]->setVisible(visible);
  }
  void EnableRow(int row, bool enabled) override {
    labels[row]->setEnabled(enabled);
    lists[row]->setEnabled(enabled);
  }

  // CUserParamsEvents
  void PostToView(AppMessage message, intptr_t wParam, intptr_t lParam) override {
    QCoreApplication::postEvent(&view, new CAppEvent(message, wParam, lParam));
  }
  intptr_t SendToFrame(AppMessage message, intptr_t wParam) override {
    QObject* target = frame ? frame.data() : view.window();
    if (!target || target == &view) return 0;
    CAppEvent event(message, wParam, 0);
    QCoreApplication::sendEvent(target, &event);
    return event.result;
  }

  CViewUserParams& view;
  CForwardingPrompt prompt;
  CWheelGuard wheelGuard;
  CUserParamsLogic logic;
  QPointer<QObject> frame;
  QLabel* versionLine = nullptr;
  QLabel* labels[CUserParamsForm::kRows] = {};
  QComboBox* lists[CUserParamsForm::kRows] = {};
  QSize formSize;
  bool initialised = false;
};

CViewUserParams::CViewUserParams(CVcmCommand& link, CParamDescFile& model, QWidget* parent)
    : QWidget(parent), m_impl(std::make_unique<Impl>(*this, link, model)) {
  const QFont font = CDialogUnits::FormFont();
  setFont(font);
  const CDialogUnits du(font);

  auto* targetBox = new QGroupBox(Text(res::LoadString(ids::ViewTargetInfo)), this);
  targetBox->setGeometry(du.Rect(6, 6, 246, 30));
  m_impl->versionLine = new QLabel(Text(res::LoadString(ids::ViewVersionDesign)), this);
  m_impl->versionLine->setGeometry(du.Rect(12, 18, 234, 12));
  m_impl->versionLine->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

  auto* paramsBox = new QGroupBox(Text(res::LoadString(ids::ViewParameters)), this);
  paramsBox->setGeometry(du.Rect(6, 48, 246, 240));

  for (int row = 0; row < CUserParamsForm::kRows; ++row) {
    auto* label = new QLabel(Text(res::LoadString(ids::ViewRowLabel0 + row)), this);
    label->setGeometry(du.Rect(18, 66 + 18 * row, 156, 12));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setObjectName(QStringLiteral("label%1").arg(1035 + row));

    auto* list = new QComboBox(this);
    list->setObjectName(QStringLiteral("list%1").arg(1007 + row));
    const QRect place = du.Rect(180, 66 + 18 * row, 66, 12);
    // The list keeps its natural height, centred on its design row.
    const int height = list->sizeHint().height();
    list->setGeometry(place.x(), place.center().y() - height / 2, place.width(), height);
    list->setMaxVisibleItems(8);
    // A wheel turned while the pointer only passes over a list must not write to
    // the drive: like a Windows list, it takes wheel turns only once it has the
    // keyboard focus, and turning the wheel does not give it the focus.
    list->setFocusPolicy(Qt::StrongFocus);
    list->installEventFilter(&m_impl->wheelGuard);
    list->setEnabled(false);
    label->setEnabled(false);
    connect(list, &QComboBox::activated, this, [this, row](int index) {
      const QVariant value = m_impl->lists[row]->itemData(index);
      if (value.isValid()) m_impl->logic.OnRowActivated(row, value.toInt());
    });
    label->setBuddy(list);
    m_impl->labels[row] = label;
    m_impl->lists[row] = list;
  }
  m_impl->formSize = du.Size(260, 296);
  setFixedSize(m_impl->formSize);
}

CViewUserParams::~CViewUserParams() = default;

void CViewUserParams::SetPrompt(CPromptInterface* prompt) { m_impl->prompt.target = prompt; }
void CViewUserParams::SetFrame(QObject* frame) { m_impl->frame = frame; }
QSize CViewUserParams::FormSize() const { return m_impl->formSize; }
CUserParamsLogic& CViewUserParams::Logic() { return m_impl->logic; }
QLabel* CViewUserParams::RowLabel(int row) const { return m_impl->labels[row]; }
QComboBox* CViewUserParams::RowList(int row) const { return m_impl->lists[row]; }
QLabel* CViewUserParams::VersionLine() const { return m_impl->versionLine; }

void CViewUserParams::InitialUpdate() {
  m_impl->initialised = true;
  m_impl->logic.FillUserParams();
}

void CViewUserParams::customEvent(QEvent* event) {
  const int type = static_cast<int>(event->type());
  if (type >= UM_CHECK_LINK && type <= UM_REPORT_ERROR) {
    auto* message = static_cast<CAppEvent*>(event);
    if (m_impl->logic.Handle(type, message->wParam, message->lParam)) return;
  }
  QWidget::customEvent(event);
}
