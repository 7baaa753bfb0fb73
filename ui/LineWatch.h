#pragma once
// Notices a lost line while the program is idle, without sending anything: the
// device's handle, or a network line's socket, is watched, and whenever it stirs
// the link is asked whether the line is gone (an adapter pulled out, a simulated
// drive ended, a server that closed the connection), so the window can say so at
// once rather than at the next pick. Nothing is ever read from the handle.

#include <QObject>
#include <QString>

#include <cstdint>

class CRs232CB;
class QSocketNotifier;
class QTimer;

class CLineWatch : public QObject {
  Q_OBJECT
 public:
  explicit CLineWatch(CRs232CB& link, QObject* parent = nullptr);
  ~CLineWatch() override;

  // Watches `handle` (a file descriptor or a socket) until the line is found gone
  // or Stop is called; a handle already watched is left as it is.
  void Watch(intptr_t handle);
  void Stop();
  intptr_t Handle() const { return m_handle; }

 signals:
  // Once per Watch, with what the status bar should say; the watch has stopped
  // and the link has let the line go by then.
  void HungUp(const QString& why);

 private:
  void OnActivated();

  CRs232CB& m_link;
  intptr_t m_handle = -1;
  QSocketNotifier* m_notifier = nullptr;
  QTimer* m_rearm = nullptr;
};
