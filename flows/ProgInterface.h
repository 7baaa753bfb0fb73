#pragma once
// Progress reporting of long operations, so that the operation code knows nothing
// of windows: a range, a position, a status line and a cancel request polled
// between units of work.

#include <cstdint>
#include <optional>
#include <string>

// The percentage text of position `current` in [lower, upper]: "%d%" with no
// blank; 100 stays 100, anything else is taken modulo 100 (truncated toward
// zero). An empty range has no percentage: nullopt.
std::optional<std::string> PercentText(int32_t lower, int32_t upper, int32_t current);

// A status line as a window's one-line label shows it: a label draws no tab stop
// (in a Korean font not even a gap), so each tab becomes a wide gap of blanks.
std::string ShownStatusText(const std::string& text);

class CProgInterface {
 public:
  virtual ~CProgInterface() = default;
  // Creates and shows the progress window over the main window; true when it exists.
  [[nodiscard]] virtual bool Open() = 0;
  // Lets pending window events run, then returns whether Cancel was pressed since
  // the last call, and forgets the request.
  virtual bool PollCancel() = 0;
  virtual void SetStatusText(const std::string& text) = 0;
  virtual int SetRange(int32_t lower, int32_t upper) = 0;
  virtual int32_t SetStep(int32_t step) = 0;
  virtual int32_t SetPosition(int32_t position) = 0;
  virtual int32_t MovePosition(int32_t delta) = 0;
  virtual int32_t StepForward() = 0;
};
