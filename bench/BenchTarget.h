#pragma once
// How every benchmark judges a figure against its target, so a missed one stands
// out the same way in each: "ok", or "MISSED target <= 40 ms".

#include <cstdio>
#include <string>

// `met` tells whether the figure is within `target`, a text such as "<= 40 ms".
inline std::string TargetMark(bool met, const std::string& target) {
  return met ? "(target " + target + ") ok" : "MISSED target " + target;
}

// A figure whose target is an upper limit, as "label: 38.20 ms (target <= 40 ms) ok".
inline void PrintAtMost(const char* label, double value, double limit, const char* unit, int decimals = 2) {
  char limitText[32];
  std::snprintf(limitText, sizeof limitText, "<= %g %s", limit, unit);
  std::printf("%s: %.*f %s %s\n", label, decimals, value, unit, TargetMark(value <= limit, limitText).c_str());
}
