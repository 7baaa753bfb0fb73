#pragma once
// A port with its protected byte access opened up for tests.

#include <chrono>
#include <string>

#include "serial/Rs232.h"

class TestPort : public CRs232CB {
 public:
  using CRs232CB::ReadBytes;
  using CRs232CB::WriteAll;

  bool Write(const std::string& text) { return WriteAll(reinterpret_cast<const uint8_t*>(text.data()), text.size()); }

  // Reads until `count` bytes came, a read error, or `timeoutMs` passed.
  std::string ReadCount(size_t count, int timeoutMs = 2000) {
    std::string got;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (got.size() < count && std::chrono::steady_clock::now() < end) {
      uint8_t byte[64];
      const int n = ReadBytes(byte, std::min(sizeof byte, count - got.size()));
      if (n < 0) break;
      got.append(reinterpret_cast<char*>(byte), static_cast<size_t>(n));
    }
    return got;
  }

  // Reads until the text ends with `terminator`, a read error, or the time-out.
  std::string ReadUntil(const std::string& terminator, int timeoutMs = 2000) {
    std::string got;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
      uint8_t byte;
      const int n = ReadBytes(&byte, 1);
      if (n < 0) break;
      if (n == 0) continue;
      got += static_cast<char>(byte);
      if (got.size() >= terminator.size() &&
          got.compare(got.size() - terminator.size(), terminator.size(), terminator) == 0) {
        break;
      }
    }
    return got;
  }

  // Sends one line and returns everything that came back up to the end of the
  // answer line that follows the echo (or what came before the time-out).
  std::string Exchange(const std::string& line, int timeoutMs = 2000) {
    if (!Write(line)) return "<write failed>";
    std::string got = ReadCount(line.size(), timeoutMs);
    if (got.size() < line.size()) return got;
    return got + ReadUntil("\n", timeoutMs);
  }
};
