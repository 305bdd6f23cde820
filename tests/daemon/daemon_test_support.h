// A temporary installation with the real daemon in it, for tests that speak to it through KADTestClient.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "assetdb/protocol/kad_requests.h"
#include "assetdb/protocol/kad_wire.h"
#include "support/kad_test_client.h"
#include "support/kad_wire_bytes.h"
#include "support/temp_folder.h"

// The daemon tests build their payloads with the shared builders.
using KorvelTest::Int32Payload;
using KorvelTest::UnknownRequestCode;

// A fresh installation root (bin/kaddaemon.exe is a copy of the built
// daemon, since the daemon finds its root through its own resolved path).
// Every daemon started here is killed when the installation goes, and the
// ownership block and lock of its database are removed.
class KADTestInstallation {
public:
    KADTestInstallation();
    ~KADTestInstallation();
    KADTestInstallation(const KADTestInstallation&) = delete;
    KADTestInstallation& operator=(const KADTestInstallation&) = delete;

    const std::string& Root() const { return root; }
    // The path as the client sends it: the root lower-cased, "UserData" as written.
    std::string ClientDatabasePath() const;
    // The path with the letter case of the file system.
    std::string DatabasePath() const { return root + "/UserData/assets.tdx"; }

    pid_t StartDaemon(const std::vector<std::string>& arguments = {"-idle=120"});
    // Waits (bounded) until the block shows a port owned by pid; 0 when it does not.
    int WaitForPort(pid_t pid);
    // Waits (bounded) for the daemon to end; its exit code, or none.
    std::optional<int> WaitForExit(pid_t pid, int seconds = 30);
    bool IsRunning(pid_t pid);

    struct BlockState {
        std::int32_t keeper = 0;
        std::int32_t owner = 0;
        std::int32_t version = 0;
        std::int32_t closing = 0;
        std::int32_t port = 0;
    };
    // False when the block does not exist.
    bool ReadBlock(BlockState& state);
    // The block as an orderly close leaves it: no owner, no port, not closing.
    bool IsBlockReleased();
    // Writes the block as a crashed daemon might have left it.
    void WriteBlock(const BlockState& state);

private:
    // Mixed letter case on purpose: the client lower-cases the root. Declared
    // first so that it goes last, after the daemons are killed.
    KorvelTest::TempFolder folder{"KadDaemonTest"};
    const std::string& root = folder.Root();
    std::vector<pid_t> daemons;
    std::map<pid_t, int> exitCodes;
};
