#include "ui/ViewUserParams.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QWheelEvent>
#include <functional>

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

// A row's list. On the closed list the arrow keys, the wheel and typed letters
// only move the selection: a drive must not take (and save to flash) every value
// passed over on the way to the one meant. Enter, or a choice in the open list,
// chooses; leaving the list without choosing shows the drive's value again.
class CRowList : public QComboBox {
 public:
  explicit CRowList(QWidget* parent) : QComboBox(parent) {
    connect(this, &QComboBox::activated, this, [this](int index) {
      if (m_moving) {
        moved();
      } else {
        Choose(index);
      }
    });
  }
  std::function<void()> moved;
  std::function<void(int32_t)> chosen;
  std::function<void()> left;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    switch (event->key()) {
      case Qt::Key_Return:
      case Qt::Key_Enter: Choose(currentIndex()); return;
      case Qt::Key_Escape: left(); return;
      default: Moving([&] { QComboBox::keyPressEvent(event); });
    }
  }
  void wheelEvent(QWheelEvent* event) override {
    Moving([&] { QComboBox::wheelEvent(event); });
  }
  void focusOutEvent(QFocusEvent* event) override {
    QComboBox::focusOutEvent(event);
    // The open list takes the focus for a while; that is no leaving.
    if (event->reason() != Qt::PopupFocusReason) left();
  }

 private:
  // The list's own handling, whose selection changes only move.
  void Moving(const std::function<void()>& handle) {
    m_moving = true;
    handle();
    m_moving = false;
  }
  void Choose(int index) {
    const QVariant value = itemData(index);
    if (value.isValid()) chosen(value.toInt());
  }
  bool m_moving = false;
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
  void SetRowPlaceholder(int row, const std::string& text) override {
    lists[row]->setPlaceholderText(Text(text));
    lists[row]->setToolTip(Text(text));  // in full, where the list is too narrow for it
  }
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

    auto* list = new CRowList(this);
    list->setObjectName(QStringLiteral("list%1").arg(1007 + row));
    const QRect place = du.Rect(180, 66 + 18 * row, 66, 12);
    // The list keeps its natural height, centred on its design row.
    const int height = list->sizeHint().height();
    list->setGeometry(place.x(), place.center().y() - height / 2, place.width(), height);
    list->setMaxVisibleItems(8);
    // A wheel turned while the pointer only passes over a list must not move it:
    // like a Windows list, it takes wheel turns only once it has the keyboard
    // focus, and turning the wheel does not give it the focus.
    list->setFocusPolicy(Qt::StrongFocus);
    list->installEventFilter(&m_impl->wheelGuard);
    list->setEnabled(false);
    label->setEnabled(false);
    list->chosen = [this, row](int32_t value) { m_impl->logic.OnRowActivated(row, value); };
    list->moved = [this, row] { m_impl->logic.OnRowMoved(row); };
    list->left = [this, row] { m_impl->logic.OnRowLeft(row); };
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
