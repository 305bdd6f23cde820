// A temporary installation root for the client's tests (user data, database folder, bin).
#pragma once

#include <string>

// Made once per test binary; the installation paths point at it.
const std::string& ClientTestRoot();
// The client's database path ("…/userdata/assets.tdx" as the client spells it).
std::string ClientTestDatabasePath();
