#include "serial/Termios2.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace serialdetail {

bool SetAnyBaudRate(int fd, int32_t baud) {
  if (baud <= 0) return false;
  struct termios2 settings {};
  if (ioctl(fd, TCGETS2, &settings) != 0) return false;
  settings.c_cflag &= ~CBAUD;
  settings.c_cflag |= BOTHER;
  settings.c_cflag &= ~(CBAUD << IBSHIFT);  // input rate follows the output rate
  settings.c_ispeed = static_cast<speed_t>(baud);
  settings.c_ospeed = static_cast<speed_t>(baud);
  return ioctl(fd, TCSETS2, &settings) == 0;
}

}  // namespace serialdetail
