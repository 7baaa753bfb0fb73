#include "ui/LineWatch.h"

#include <QSocketNotifier>
#include <QTimer>

#include "flows/FrameLogic.h"

namespace {
// Bytes nobody asked for (line noise, a late answer) also wake the notifier, and
// stay until the link reads them; the watch looks again this much later rather
// than spin on them.
constexpr int kRearmMs = 50;
}  // namespace

CLineWatch::CLineWatch(CRs232CB& link, QObject* parent) : QObject(parent), m_link(link), m_rearm(new QTimer(this)) {
  m_rearm->setSingleShot(true);
  m_rearm->setInterval(kRearmMs);
  connect(m_rearm, &QTimer::timeout, this, [this] {
    if (m_notifier) m_notifier->setEnabled(true);
  });
}

CLineWatch::~CLineWatch() = default;

void CLineWatch::Watch(intptr_t handle) {
  if (handle == m_handle && m_notifier) return;
  Stop();
  if (handle < 0) return;
  m_handle = handle;
  m_notifier = new QSocketNotifier(static_cast<qintptr>(handle), QSocketNotifier::Read, this);
  connect(m_notifier, &QSocketNotifier::activated, this, &CLineWatch::OnActivated);
}

void CLineWatch::Stop() {
  m_rearm->stop();
  delete m_notifier;
  m_notifier = nullptr;
  m_handle = -1;
}

void CLineWatch::OnActivated() {
  // Off before the link is asked: a line found gone is closed at once, and the
  // event loop must not be left watching a closed handle.
  m_notifier->setEnabled(false);
  if (const std::optional<std::string> lost = IdleLineLost(m_link)) {
    Stop();
    emit HungUp(QString::fromStdString(*lost));
    return;
  }
  m_rearm->start();
}
