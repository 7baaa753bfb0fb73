#include "cli/Console.h"

#include <algorithm>
#include <ostream>

namespace cli {

void Console::EraseBarsLocked() {
  if (m_linesShown == 0) return;
  // Up to the first bar line, then everything from there down.
  if (m_linesShown > 1) m_err << "\033[" << (m_linesShown - 1) << 'A';
  m_err << "\r\033[J";
  m_linesShown = 0;
}

void Console::DrawBarsLocked() {
  EraseBarsLocked();
  for (size_t i = 0; i < m_bars.size(); ++i) {
    if (i > 0) m_err << '\n';
    m_err << m_bars[i].text;
  }
  m_linesShown = m_bars.size();
  m_err.flush();
}

std::string PrefixLines(const std::string& prefix, const std::string& text) {
  std::string lines;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find('\n', start);
    lines += prefix + text.substr(start, end - start) + '\n';
    if (end == std::string::npos) return lines;
    start = end + 1;
  }
}

void Console::Lines(const std::string& prefix, const std::string& text) {
  std::lock_guard<std::mutex> guard(m_lock);
  EraseBarsLocked();
  m_err << PrefixLines(prefix, text);
  m_err.flush();
}

void Console::Ask(const std::string& text) {
  std::lock_guard<std::mutex> guard(m_lock);
  EraseBarsLocked();
  m_err << text;
  m_err.flush();
}

void Console::NameBar(const std::string& prefix) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_barNames[std::this_thread::get_id()] = prefix;
}

void Console::Bar(const std::string& line) {
  if (!m_terminal) return;
  std::lock_guard<std::mutex> guard(m_lock);
  const std::thread::id self = std::this_thread::get_id();
  const auto name = m_barNames.find(self);
  const std::string text = (name == m_barNames.end() ? std::string() : name->second) + line;
  const auto mine =
      std::find_if(m_bars.begin(), m_bars.end(), [self](const BarLine& bar) { return bar.owner == self; });
  if (mine == m_bars.end()) {
    m_bars.push_back({self, text});
  } else {
    mine->text = text;
  }
  DrawBarsLocked();
}

void Console::ClearBar() {
  std::lock_guard<std::mutex> guard(m_lock);
  const std::thread::id self = std::this_thread::get_id();
  m_bars.erase(std::remove_if(m_bars.begin(), m_bars.end(), [self](const BarLine& bar) { return bar.owner == self; }),
               m_bars.end());
  if (m_bars.empty()) {
    EraseBarsLocked();
    m_err.flush();
  } else {
    DrawBarsLocked();
  }
}

}  // namespace cli
