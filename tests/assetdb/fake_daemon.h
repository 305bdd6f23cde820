// A scripted byte-level stand-in for kaddaemon.exe, for protocol faults the real daemon never commits.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "assetdb/net/net_test_support.h"
#include "assetdb/protocol/kad_wire.h"

// One accepted connection, driven by a test's script on the fake's thread.
class FakeDaemonConnection {
public:
    explicit FakeDaemonConnection(int fd) : fd(fd) {}
    ~FakeDaemonConnection();

    // Reads the client's handshake; false when the client went away.
    bool ReadHandshake(int32_t& clientFlag, std::string& databasePath);
    void SendHandshakeReply(int32_t code = 0x4B414444);
    // Reads the handshake and answers it as the daemon does; false when the
    // client went away first.
    bool AcceptHandshake();
    // Reads one request; false at the end of the stream or on the closing word
    // (then SawClosingWord is true).
    bool ReadRequest(int32_t& code, int32_t& transactionId, KADBytes& payload);
    void Send(const KADBytes& bytes);
    void SendInt32(int32_t value);
    // Blocks until the client closes its end.
    void WaitForClose();
    void Close();
    bool SawClosingWord() const { return closingWord; }

private:
    bool ReadExact(void* buffer, size_t count);

    int fd;
    bool closingWord = false;
};

using FakeDaemonScript = std::function<void(FakeDaemonConnection&)>;

// Listens on 127.0.0.1 and publishes its port in the ownership block of the
// database path, as the real daemon does. Connection n runs scripts[n]
// (the last script again for later connections).
class FakeDaemon {
public:
    FakeDaemon(const std::string& databasePath, std::vector<FakeDaemonScript> scripts);
    ~FakeDaemon();

    int32_t GetPort() const { return port; }
    int GetConnectionCount() const { return connections.load(); }
    // Every request code seen, in order, with its id.
    std::vector<std::pair<int32_t, int32_t>> Requests() const;
    void RecordRequest(int32_t code, int32_t transactionId);
    bool SawClosingWord() const { return closingWord.load(); }
    void NoteClosingWord() { closingWord = true; }

private:
    void Serve();

    std::string blockName;
    LoopbackListener listener;
    int32_t port = 0;
    std::vector<FakeDaemonScript> scripts;
    std::atomic<bool> stopping{false};
    std::atomic<int> connections{0};
    std::atomic<bool> closingWord{false};
    mutable std::mutex requestsLock;
    std::vector<std::pair<int32_t, int32_t>> requests;
    std::thread thread;
};

// The usual handshake, then one empty reply per request until the client closes.
void ServeEmptyReplies(FakeDaemon& daemon, FakeDaemonConnection& connection);
