// A stand-in for the daemon client: records the calls the dispatcher makes.
#pragma once

#include <string>
#include <utility>
#include <vector>

// Each call as "Name(arg,arg)", in order.
std::vector<std::string>& FakeKADClientCalls();

// What the settings requests answer: whether each succeeds, and the tags the
// fake's "internet" group holds, as name=value lines in order.
struct FakeSettings {
    bool readSucceeds = true;
    bool writeSucceeds = true;
    std::vector<std::pair<std::string, std::string>> internet;
    // The daemon has gone: every request fails and counts as lost.
    bool daemonGone = false;
    unsigned long long lostRequests = 0;
    // Calls of KADClient::EnsureConnected (kept out of the call list).
    int linkChecks = 0;
};
FakeSettings& FakeKADClientSettings();
