// Test builds: the points where a change of the store can be made to end the process or to fail.
#pragma once

// Ends the process at once when KAD_TEST_CRASH_AT names "<kind>.<step>", as
// a crash at that point would. Other builds never stop.
void KADAssetCrashPoint(const char* kind, const char* step);
// True when KAD_TEST_FAIL_AT names "<kind>.<step>": the step then fails as
// a broken disk would make it fail. Other builds never fail here.
bool KADAssetFaultPoint(const char* kind, const char* step);
