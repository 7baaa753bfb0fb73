#include "flows/FlowState.h"

CFlowState::Running CFlowState::Begin(int statusTextId) {
  if (m_depth++ == 0) {
    m_statusTextId = statusTextId;
    if (m_listener) m_listener();
  }
  return Running(this);
}

void CFlowState::End() {
  if (--m_depth > 0) return;
  m_statusTextId = 0;
  if (m_listener) m_listener();
}
