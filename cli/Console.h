#pragma once
// The standard error stream shared by every drive's worker: whole lines only, so
// the messages of drives running at once never mix inside a line, each line led
// by its port when several drives run; and the one-line progress bar, cleared
// before any message so the two never share a line.

#include <iosfwd>
#include <mutex>
#include <string>

namespace cli {

// Every line of `text` led by `prefix`, each ended by a line feed.
std::string PrefixLines(const std::string& prefix, const std::string& text);

class Console {
 public:
  // `terminal`: the stream is a terminal, so a progress bar may be drawn on it.
  Console(std::ostream& err, bool terminal) : m_err(err), m_terminal(terminal) {}

  // Every line of `text`, each led by `prefix` (empty: none).
  void Lines(const std::string& prefix, const std::string& text);
  // A question's last line, left open for the answer typed after it.
  void Ask(const std::string& text);
  // Draws the bar line in place of the previous one (terminals only).
  void Bar(const std::string& line);
  void ClearBar();
  bool Terminal() const { return m_terminal; }

 private:
  void ClearBarLocked();

  std::mutex m_lock;
  std::ostream& m_err;
  bool m_terminal;
  bool m_barShown = false;
};

}  // namespace cli
