#pragma once
// Whether a flow is talking to the drive now: the one test of "busy" for every
// window. While a flow runs, a window takes no new command, the view's posted
// messages wait, and nothing else (the idle line watch) touches the link; a
// handler must never start a transaction inside another's.

#include <functional>

class CFlowState {
 public:
  // Held for as long as its flow runs. Flows nest (the load a comparison starts).
  class Running {
   public:
    Running(Running&& other) noexcept : m_state(other.m_state) { other.m_state = nullptr; }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;
    Running& operator=(Running&&) = delete;
    ~Running() {
      if (m_state) m_state->End();
    }

   private:
    friend class CFlowState;
    explicit Running(CFlowState* state) : m_state(state) {}
    CFlowState* m_state;
  };

  // A flow starts; `statusTextId` is what the status bar says meanwhile (a nested
  // flow keeps the words of the one around it).
  [[nodiscard]] Running Begin(int statusTextId);
  bool IsRunning() const { return m_depth > 0; }
  // The string id of what runs; 0 while nothing does.
  int StatusTextId() const { return m_statusTextId; }
  // Told whenever a flow starts from idle or the last one ends. One listener: the
  // window that owns the state.
  void SetListener(std::function<void()> listener) { m_listener = std::move(listener); }

 private:
  void End();

  int m_depth = 0;
  int m_statusTextId = 0;
  std::function<void()> m_listener;
};
