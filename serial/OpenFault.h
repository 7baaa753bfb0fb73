#pragma once
// Tests make the next opens of a port fail with a chosen system error, to show how
// a port held by another program is handled where the test machine cannot hold
// one (Wine lets a second program open a port that Windows would refuse).

namespace serialdetail {

// The error the next open of any port fails with; 0 opens for real again.
void InjectOpenErrorForTest(unsigned long error);
// The injected error, or 0.
unsigned long InjectedOpenError();

}  // namespace serialdetail
