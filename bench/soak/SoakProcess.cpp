#include "soak/SoakProcess.h"

#include <malloc.h>
#include <time.h>

#include <fstream>
#include <string>

#if defined(__SANITIZE_ADDRESS__)
#define SOAK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SOAK_ASAN 1
#endif
#endif
#ifdef SOAK_ASAN
// From the sanitizer's runtime; GCC ships no header for it.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace soak {

size_t ResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stoul(line.substr(6));
  }
  return 0;
}

size_t HeapInUse() {
#ifdef SOAK_ASAN
  return __sanitizer_get_current_allocated_bytes();
#else
  return mallinfo2().uordblks;
#endif
}

bool UnderSanitizer() {
#ifdef SOAK_ASAN
  return true;
#else
  return false;
#endif
}

int64_t NowNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

MsClock ScaledClock(int scale) {
  const int64_t origin = NowNs();
  return [origin, scale] { return static_cast<uint32_t>((NowNs() - origin) * scale / 1'000'000); };
}

}  // namespace soak
