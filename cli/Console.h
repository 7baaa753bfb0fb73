#pragma once
// The standard error stream shared by every drive's worker: whole lines only, so
// the messages of drives running at once never mix inside a line, each line led
// by its port when several drives run; and the progress bars, one line a drive,
// drawn below the messages and cleared before any message so the two never share
// a line.

#include <iosfwd>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace cli {

// Every line of `text` led by `prefix`, each ended by a line feed.
std::string PrefixLines(const std::string& prefix, const std::string& text);

class Console {
 public:
  // `terminal`: the stream is a terminal, so progress bars may be drawn on it.
  Console(std::ostream& err, bool terminal) : m_err(err), m_terminal(terminal) {}

  // Every line of `text`, each led by `prefix` (empty: none).
  void Lines(const std::string& prefix, const std::string& text);
  // A question's last line, left open for the answer typed after it.
  void Ask(const std::string& text);
  // What leads the calling thread's bar (its drive's port), when several run.
  void NameBar(const std::string& prefix);
  // Draws the calling thread's bar line in place of its previous one (terminals
  // only). Each worker thread has a line of its own, in the order they first drew.
  void Bar(const std::string& line);
  // Takes the calling thread's bar away; the others stay.
  void ClearBar();
  bool Terminal() const { return m_terminal; }

 private:
  void EraseBarsLocked();
  void DrawBarsLocked();

  std::mutex m_lock;
  std::ostream& m_err;
  bool m_terminal;
  struct BarLine {
    std::thread::id owner;
    std::string text;
  };
  std::vector<BarLine> m_bars;
  std::map<std::thread::id, std::string> m_barNames;
  size_t m_linesShown = 0;  // bar lines now on the terminal, the cursor at the end of the last
};

}  // namespace cli
