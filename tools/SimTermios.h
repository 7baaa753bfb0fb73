#pragma once
// The baud rate the port side of a pseudo-terminal was set to. Read through the
// master, which reports the slave's settings. Apart from SimDrive.cpp because the
// kernel's termios2 header clashes with glibc's <termios.h>.

#include <cstdint>

namespace simdetail {

// Bits per second, or 0 when it cannot be read.
int32_t LineBaudRate(int masterFd);

}  // namespace simdetail
