// Names of the database ownership block and its lock, shared by client and daemon.
#pragma once

#include <string>
#include <string_view>

struct KADIpcNameSet {
    // The Windows-style mutex name both sides derive from the database folder;
    // the platform lock (Platform::NamedLock) is opened with it.
    std::string mutexName;
    // The Windows-style name of the block (mutex name + "-ipc2"); the platform
    // shared block (Platform::SharedBlock) is opened with it.
    std::string blockWindowsName;
    // shm_open name of the 36-byte block ("/kadipc-<16 hex>").
    std::string blockName;
    // flock file that stands in for the named mutex ("/dev/shm/kadipc-<16 hex>.lock").
    std::string lockPath;
    // The lower-cased folder that holds "assets.tdx", as the name was built from.
    std::string databaseFolder;
};

// Builds the names for a database path. False when the path, compared
// without regard to letter case, does not end in "assets.tdx" with a folder
// before it. Client, daemon and test fakes all call this one function, so a
// database is found under the same names whatever letter case each side
// spells its path with.
bool KADIpcNames(std::string_view databasePath, KADIpcNameSet& names);
