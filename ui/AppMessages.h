#pragma once
// Application messages between the main frame and the parameter view. Each is a
// custom event type with its historical number; posted ones go through
// QCoreApplication::postEvent and run later from the event loop, sent ones through
// QCoreApplication::sendEvent and carry their result back in the event.

#include <QEvent>
#include <cstdint>

#include "flows/AppMessageIds.h"

static_assert(int{UM_CHECK_LINK} > int{QEvent::User} && int{UM_REPORT_ERROR} < int{QEvent::MaxUser});

class CAppEvent : public QEvent {
 public:
  CAppEvent(AppMessage message, intptr_t wParam = 0, intptr_t lParam = 0)
      : QEvent(static_cast<QEvent::Type>(message)), wParam(wParam), lParam(lParam) {}
  AppMessage Message() const { return static_cast<AppMessage>(type()); }
  const intptr_t wParam;
  const intptr_t lParam;
  intptr_t result = 0;
};
