#include "ui/ProgressDlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include <algorithm>

#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "ui/DialogUnits.h"

namespace {
QPointer<QWidget> g_defaultOwner;

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The bar keeps unsigned 16-bit bounds (0 to 65535), as the classic control did;
// the percentage uses the full 32-bit range.
uint16_t Low16(int32_t value) { return static_cast<uint16_t>(value & 0xFFFF); }
}  // namespace

void CProgressDlg::SetDefaultOwner(QWidget* owner) { g_defaultOwner = owner; }

CProgressDlg::CProgressDlg(QWidget* owner) : QDialog(nullptr), m_owner(owner) {
  // No parent widget: a child window would be disabled together with its owner.
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  const QFont font = CDialogUnits::FormFont(9);
  setFont(font);
  const CDialogUnits du(font);
  setFixedSize(du.Size(187, 79));
  setWindowTitle(Q(res::LoadString(ids::ProgressCaption)));

  m_status = new QLabel(this);
  m_status->setGeometry(du.Rect(13, 7, 158, 8));
  m_percent = new QLabel(Q(res::LoadString(ids::ProgressPercentDesign)), this);
  m_percent->setGeometry(du.Rect(85, 23, 18, 8));
  m_percent->setMinimumWidth(du.X(18));
  m_bar = new QProgressBar(this);
  m_bar->setGeometry(du.Rect(15, 34, 154, 13));
  m_bar->setTextVisible(false);
  m_cancel = new QPushButton(Q(res::LoadString(ids::ProgressCancel)), this);
  m_cancel->setGeometry(du.Rect(67, 58, 50, 14));
  m_cancel->setAutoDefault(false);
  m_cancel->setDefault(false);
  connect(m_cancel, &QPushButton::clicked, this, &CProgressDlg::reject);
}

CProgressDlg::~CProgressDlg() { ReleaseOwner(); }

void CProgressDlg::ReleaseOwner() {
  if (m_ownerDisabled && m_owner) m_owner->setEnabled(true);
  m_ownerDisabled = false;
}

bool CProgressDlg::Open() {
  if (m_open) return true;
  if (!m_owner) m_owner = g_defaultOwner ? g_defaultOwner.data() : QApplication::activeWindow();
  if (m_owner) m_owner = m_owner->window();
  if (m_owner && m_owner->isEnabled()) {
    m_owner->setEnabled(false);
    m_ownerDisabled = true;
  }
  winId();  // the native window, so it can stand over its owner
  if (m_owner && m_owner->windowHandle() && windowHandle()) {
    windowHandle()->setTransientParent(m_owner->windowHandle());
    move(m_owner->frameGeometry().center() - rect().center());
  }
  show();
  if (!isVisible()) {
    ReleaseOwner();
    return false;
  }
  m_open = true;
  ApplyRangeToBar();
  m_bar->setValue(m_bar->minimum());
  m_barPosition = m_bar->minimum();
  return true;
}

void CProgressDlg::PumpPendingMessages() {
  // Runs what is queued now and returns; it never waits for more. Between two
  // pumps at least 40 ms pass (25 refreshes a second), so a fast operation is not slowed by
  // repainting the window after every command; a click waits no longer than that.
  constexpr qint64 kFrameMs = 40;
  if (m_sincePump.isValid() && m_sincePump.elapsed() < kFrameMs) return;
  FlushDisplay();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  m_sincePump.start();
}

bool CProgressDlg::PollCancel() {
  PumpPendingMessages();
  const bool requested = m_cancelRequested;
  m_cancelRequested = false;
  return requested;
}

void CProgressDlg::SetStatusText(const std::string& text) {
  if (m_open) m_status->setText(Q(ShownStatusText(text)));
}

void CProgressDlg::ScheduleBarUpdate() {
  // The bar repaints itself at once on every new value, which on a fast operation
  // costs more than the work; it takes the latest position when events next run.
  if (!m_open || m_barUpdateQueued) return;
  m_barUpdateQueued = true;
  QMetaObject::invokeMethod(
      this, [this] { FlushDisplay(); }, Qt::QueuedConnection);
}

void CProgressDlg::FlushDisplay() {
  m_barUpdateQueued = false;
  if (m_open && m_bar->value() != m_barPosition) m_bar->setValue(m_barPosition);
}

void CProgressDlg::ApplyRangeToBar() {
  const int low = Low16(m_lower);
  const int high = Low16(m_upper);
  m_bar->setRange(std::min(low, high), std::max(low, high));
}

int CProgressDlg::SetRange(int32_t lower, int32_t upper) {
  m_lower = lower;
  m_upper = upper;
  if (m_open) {
    ApplyRangeToBar();
    m_barPosition = std::clamp(m_barPosition, m_bar->minimum(), m_bar->maximum());
    ScheduleBarUpdate();
  }
  return 1;
}

int32_t CProgressDlg::SetStep(int32_t step) {
  const int32_t previous = m_step;
  m_step = step;
  return previous;
}

int32_t CProgressDlg::SetPosition(int32_t position) {
  PumpPendingMessages();
  const int32_t previous = m_barPosition;
  if (m_open) {
    m_barPosition = std::clamp<int32_t>(position, m_bar->minimum(), m_bar->maximum());
  } else {
    m_barPosition = position;
  }
  ScheduleBarUpdate();
  UpdatePercentLabel(position);
  return previous;
}

int32_t CProgressDlg::MovePosition(int32_t delta) {
  PumpPendingMessages();
  const int32_t previous = m_barPosition;
  const int64_t target = static_cast<int64_t>(previous) + delta;
  if (m_open) {
    m_barPosition = static_cast<int32_t>(std::clamp<int64_t>(target, m_bar->minimum(), m_bar->maximum()));
  } else {
    m_barPosition = static_cast<int32_t>(target);
  }
  ScheduleBarUpdate();
  UpdatePercentLabel(static_cast<int32_t>(target));
  return previous;
}

int32_t CProgressDlg::StepForward() {
  PumpPendingMessages();
  const int32_t previous = m_barPosition;
  const int64_t target = static_cast<int64_t>(previous) + m_step;
  if (m_open) {
    // Passing the end starts the bar over from its beginning.
    m_barPosition = target > m_bar->maximum() ? m_bar->minimum()
                                              : static_cast<int32_t>(std::max<int64_t>(target, m_bar->minimum()));
  } else {
    m_barPosition = static_cast<int32_t>(target);
  }
  ScheduleBarUpdate();
  UpdatePercentLabel(static_cast<int32_t>(target));
  return previous;
}

void CProgressDlg::UpdatePercentLabel(int32_t current) {
  if (!m_open) return;
  const std::optional<std::string> text = PercentText(m_lower, m_upper, current);
  if (!text) return;  // an empty range has no percentage: the label stays
  const QString label = Q(*text);
  if (m_percent->text() != label) m_percent->setText(label);
}

QString CProgressDlg::PercentLabelText() const { return m_percent->text(); }
QString CProgressDlg::StatusText() const { return m_status->text(); }

void CProgressDlg::accept() {}
void CProgressDlg::reject() { m_cancelRequested = true; }
void CProgressDlg::done(int) {}

void CProgressDlg::closeEvent(QCloseEvent* event) {
  event->ignore();
  m_cancelRequested = true;
}

void CProgressDlg::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: event->accept(); return;
    case Qt::Key_Escape:
      event->accept();
      m_cancelRequested = true;
      return;
    default: QDialog::keyPressEvent(event);
  }
}
