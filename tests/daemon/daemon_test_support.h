// A temporary installation with the real daemon in it, and a small client written from the protocol.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "assetdb/protocol/kad_requests.h"
#include "assetdb/protocol/kad_wire.h"
#include "support/temp_folder.h"

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

struct KADTestMessage {
    std::int32_t tag = 0;
    std::int32_t word = 0;  // the transaction id of a reply, the type of a note
    KADBytes body;
};

// A blocking client over a real loopback socket. Reads give up after a
// generous bound so that a broken daemon fails a test instead of hanging it.
class KADTestClient {
public:
    KADTestClient() = default;
    ~KADTestClient();
    KADTestClient(const KADTestClient&) = delete;
    KADTestClient& operator=(const KADTestClient&) = delete;

    bool Connect(int port);
    // Sends the handshake and reads the answer; true on "KADD" + two values.
    bool Handshake(const std::string& databasePath, std::int32_t clientFlag = 1);
    // Reads the daemon's answer to a handshake sent by other means.
    bool ReadHandshakeAnswer();
    bool SendRaw(const KADBytes& bytes);
    // Sends one request under a fresh transaction id.
    std::int32_t SendRequest(std::int32_t code, const KADBytes& payload = {});
    std::int32_t SendRequest(KADRequestCode code, const KADBytes& payload = {})
    {
        return SendRequest(KADRequestNumber(code), payload);
    }
    bool ReadMessage(KADTestMessage& message);
    // Sends a request and reads up to its reply; notes that come before it
    // are kept in order.
    bool Call(std::int32_t code, const KADBytes& payload, KADBytes& reply,
              std::vector<KADTestMessage>* notes = nullptr);
    bool Call(KADRequestCode code, const KADBytes& payload, KADBytes& reply,
              std::vector<KADTestMessage>* notes = nullptr)
    {
        return Call(KADRequestNumber(code), payload, reply, notes);
    }
    // True when the daemon closed the connection (or reset it) without
    // sending anything more.
    bool WaitForClose();
    void Close();
    // The socket, for tests that wait on several clients at once.
    int Socket() const { return socket; }

    std::int32_t daemonValue1 = 0;
    std::int32_t daemonValue2 = 0;

private:
    bool ReadExactly(void* bytes, std::size_t count);

    int socket = -1;
    std::int32_t nextTransactionId = 1;
};

KADBytes Int32Payload(std::initializer_list<std::int32_t> words);
