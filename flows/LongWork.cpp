#include "flows/LongWork.h"

#include <chrono>

#include "flows/FrameLogic.h"
#include "flows/ProgInterface.h"
#include "flows/Prompt.h"
#include "resources/Strings.h"

namespace {
int64_t SteadyMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}
}  // namespace

CLongWork::CLongWork(CFlowState* flows, CPromptInterface& prompt, int statusTextId, MsClock clock)
    : m_prompt(prompt), m_statusTextId(statusTextId), m_clock(clock ? std::move(clock) : MsClock(SteadyMs)) {
  if (flows) m_running.emplace(flows->Begin(statusTextId));
  m_start = m_clock();
}

CLongWork::CLongWork(CFrameLogic& frame, int statusTextId)
    : CLongWork(&frame.FlowState(), frame.Prompt(), statusTextId) {}

// The window goes before the state is idle again, so the window it disabled is
// enabled when the commands are.
CLongWork::~CLongWork() { m_progress.reset(); }

bool CLongWork::Between(size_t done, size_t total) {
  if (!m_created) {
    // Made at once but shown only later: without its window a reporter still lets
    // the window's events run, so a short flow paints no window and a long one
    // never leaves the main window unanswered.
    m_created = true;
    m_progress = m_prompt.CreateProgress();
  }
  if (!m_progress) return false;
  if (!m_shown && m_clock() - m_start > kShowAfterMs) {
    m_shown = m_progress->Open();
    m_progress->SetRange(0, 100);
    m_progress->SetStatusText(res::LoadString(m_statusTextId));
  }
  if (m_shown && total > 0) m_progress->SetPosition(static_cast<int32_t>(done * 100 / total));
  return m_progress->PollCancel();
}
