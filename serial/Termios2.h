#pragma once
// Any integer baud rate through the kernel's termios2 interface. Kept apart from
// Rs232.cpp because <asm/termbits.h> and glibc's <termios.h> cannot be included
// in the same file.

#include <cstdint>

namespace serialdetail {

// Sets input and output rate to `baud` bits per second (BOTHER); the other line
// settings stay as they are. False when the device refuses it; errno tells why.
bool SetAnyBaudRate(int fd, int32_t baud);

}  // namespace serialdetail
