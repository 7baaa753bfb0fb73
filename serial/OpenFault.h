#pragma once
// Tests make the opens of a port fail with a chosen system error, to show how a
// port held by another program is handled where the test machine cannot hold one
// (Wine lets a second program open a port that Windows would refuse).

namespace serialdetail {

// The error every open of a port (Open, the probe, the listing's look) fails with
// from now on; 0 opens for real again.
void InjectOpenErrorForTest(unsigned long error);

}  // namespace serialdetail
