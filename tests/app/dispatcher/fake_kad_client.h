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
};
FakeSettings& FakeKADClientSettings();
