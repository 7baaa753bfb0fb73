#include "tools/SimTermios.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace simdetail {

int32_t LineBaudRate(int masterFd) {
  struct termios2 settings {};
  if (ioctl(masterFd, TCGETS2, &settings) != 0) return 0;
  // The kernel fills c_ospeed for the classic Bxxx rates as well as for BOTHER.
  return static_cast<int32_t>(settings.c_ospeed);
}

}  // namespace simdetail
