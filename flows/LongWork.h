#pragma once
// One long flow as the user sees it: the flow-running state held for its length
// (the status bar says what runs), and between two exchanges with the drive a look
// at the window: its events run, never inside an exchange; the progress window
// opens once the flow has taken longer than kShowAfterMs; Cancel is read.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "flows/FlowState.h"

class CFrameLogic;
class CProgInterface;
class CPromptInterface;

class CLongWork {
 public:
  static constexpr int64_t kShowAfterMs = 300;
  // Milliseconds on a steady clock; tests give their own.
  using MsClock = std::function<int64_t()>;

  // `flows` may be null: a flow run without a window's state.
  CLongWork(CFlowState* flows, CPromptInterface& prompt, int statusTextId, MsClock clock = {});
  // A flow of the main frame: its prompt and its flow-running state.
  CLongWork(CFrameLogic& frame, int statusTextId);
  ~CLongWork();
  CLongWork(const CLongWork&) = delete;
  CLongWork& operator=(const CLongWork&) = delete;

  // Between two exchanges, `done` of `total` units finished. True when the user
  // pressed Cancel since the last look; the caller stops where it is safe to.
  [[nodiscard]] bool Between(size_t done, size_t total);
  // Whether the progress window was opened.
  bool Shown() const { return m_shown; }

 private:
  std::optional<CFlowState::Running> m_running;
  CPromptInterface& m_prompt;
  int m_statusTextId;
  MsClock m_clock;
  int64_t m_start = 0;
  std::unique_ptr<CProgInterface> m_progress;
  bool m_created = false;
  bool m_shown = false;
};
