#pragma once
// Notices a lost port while the program is idle, without sending anything: the
// device's handle is watched for a hang-up (an adapter pulled out, a simulated
// drive ended), so the window can say so at once rather than at the next pick.

#include <QObject>

#include <cstdint>

class QSocketNotifier;
class QTimer;

class CLineWatch : public QObject {
  Q_OBJECT
 public:
  explicit CLineWatch(QObject* parent = nullptr);
  ~CLineWatch() override;

  // Watches `handle` (a file descriptor) until it hangs up or Stop is called;
  // a handle already watched is left as it is.
  void Watch(intptr_t handle);
  void Stop();
  intptr_t Handle() const { return m_handle; }

 signals:
  // Once per Watch; the watch has stopped by then.
  void HungUp();

 private:
  void OnActivated();

  intptr_t m_handle = -1;
  QSocketNotifier* m_notifier = nullptr;
  QTimer* m_rearm = nullptr;
};
