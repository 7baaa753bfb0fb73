#include "flows/ProgInterface.h"

std::string ShownStatusText(const std::string& text) {
  std::string shown;
  for (const char c : text) shown += c == '\t' ? std::string(4, ' ') : std::string(1, c);
  return shown;
}

std::optional<std::string> PercentText(int32_t lower, int32_t upper, int32_t current) {
  // 64-bit arithmetic: (current - lower) * 100 must not overflow for any 32-bit input.
  const int64_t span = static_cast<int64_t>(upper) - lower;
  if (span == 0) return std::nullopt;
  const int64_t percent = (static_cast<int64_t>(current) - lower) * 100 / span;
  const int64_t shown = percent == 100 ? 100 : percent % 100;
  return std::to_string(shown) + "%";
}
