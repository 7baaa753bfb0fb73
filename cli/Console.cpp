#include "cli/Console.h"

#include <ostream>

namespace cli {

void Console::ClearBarLocked() {
  if (!m_barShown) return;
  m_err << "\r\033[K";
  m_barShown = false;
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
  ClearBarLocked();
  m_err << PrefixLines(prefix, text);
  m_err.flush();
}

void Console::Ask(const std::string& text) {
  std::lock_guard<std::mutex> guard(m_lock);
  ClearBarLocked();
  m_err << text;
  m_err.flush();
}

void Console::Bar(const std::string& line) {
  if (!m_terminal) return;
  std::lock_guard<std::mutex> guard(m_lock);
  m_err << "\r\033[K" << line;
  m_err.flush();
  m_barShown = true;
}

void Console::ClearBar() {
  std::lock_guard<std::mutex> guard(m_lock);
  ClearBarLocked();
  m_err.flush();
}

}  // namespace cli
