// The script-host tests' installation: a temporary root with the script API installed, set up once per binary.
#pragma once

#include <string>

// The root (its user data, "scripts" and "libraries" in place); made on first use.
const std::string& ScriptHostTestRoot();

// The plug-ins built for the tests, copied once into the root's bin/plugins
// (a loaded library must never be overwritten in place); false when one is
// missing.
bool InstallTestPlugins();
