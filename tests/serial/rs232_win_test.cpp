// Windows only: a port another program holds, which Wine cannot hold for real.
#include <windows.h>

#include <gtest/gtest.h>

#include "serial/OpenFault.h"
#include "serial/PortProbe.h"
#include "serial/Rs232.h"

TEST(Rs232Windows, APortHeldElsewhereIsRefusedAndCalledBusyAndNothingHeld) {
  for (const unsigned long error : {ERROR_SHARING_VIOLATION, ERROR_ACCESS_DENIED}) {
    serialdetail::InjectOpenErrorForTest(error);
    CRs232CB port;
    EXPECT_EQ(0, port.Open(7, 115200));
    EXPECT_EQ(0, port.IsOpen());
    EXPECT_EQ(portprobe::Access::Busy, portprobe::Probe(7).access);
  }
  serialdetail::InjectOpenErrorForTest(0);
  // Nothing behind COM200: the open fails for real and the probe says so.
  CRs232CB port;
  EXPECT_EQ(0, port.Open(200, 115200));
  EXPECT_EQ(portprobe::Access::Gone, portprobe::Probe(200).access);
}
