// A scripted byte-level stand-in for kaddaemon.exe, for protocol faults the real daemon never commits, and a fixture linking the client to it.
#pragma once

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "assetdb/kad_client.h"
#include "assetdb/protocol/kad_ipc_block_view.h"
#include "assetdb/protocol/kad_ipc_names.h"
#include "assetdb/protocol/kad_requests.h"
#include "assetdb/protocol/kad_wire.h"
#include "platform/ipc.h"
#include "support/tcp_loopback.h"

// One accepted connection, driven by a test's script on the fake's thread.
class FakeDaemonConnection {
public:
    FakeDaemonConnection(int fd, int number) : fd_(fd), number_(number) {}
    ~FakeDaemonConnection() { Close(); }
    FakeDaemonConnection(const FakeDaemonConnection&) = delete;
    FakeDaemonConnection& operator=(const FakeDaemonConnection&) = delete;

    // Reads the client's handshake; false when the client went away.
    bool ReadHandshake(int32_t& clientFlag, std::string& databasePath)
    {
        int32_t header[5];
        if (!ReadExact(header, sizeof header))
            return false;
        clientFlag = header[3];
        if (header[4] < 0 || header[4] > 4096)
            return false;
        databasePath.resize(header[4]);
        return ReadExact(databasePath.data(), databasePath.size());
    }
    void SendHandshakeReply(int32_t code = 0x4B414444)
    {
        KADBytes reply;
        KADAppendInt32(reply, code);
        KADAppendInt32(reply, 330);
        KADAppendInt32(reply, 44088);
        Send(reply);
    }
    // Reads the handshake and answers it as the daemon does; false when the
    // client went away first.
    bool AcceptHandshake()
    {
        int32_t flag;
        std::string path;
        if (!ReadHandshake(flag, path))
            return false;
        SendHandshakeReply();
        return true;
    }
    // Reads one request; false at the end of the stream or on the closing
    // word (then SawClosingWord is true).
    bool ReadRequest(int32_t& code, int32_t& transactionId, KADBytes& payload)
    {
        if (!ReadExact(&code, 4))
            return false;
        if (code == 1) {
            closingWord_ = true;
            return false;
        }
        int32_t length = 0;
        if (!ReadExact(&transactionId, 4) || !ReadExact(&length, 4) || length < 0)
            return false;
        payload.resize(length);
        return ReadExact(payload.data(), payload.size());
    }
    void Send(const KADBytes& bytes) { ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
    void SendInt32(int32_t value)
    {
        KADBytes bytes;
        KADAppendInt32(bytes, value);
        Send(bytes);
    }
    // Blocks until the client closes its end.
    void WaitForClose()
    {
        uint8_t byte;
        while (::recv(fd_, &byte, 1, 0) > 0) {}
    }
    void Close()
    {
        if (fd_ < 0)
            return;
        ::shutdown(fd_, SHUT_RDWR);
        ::close(fd_);
        fd_ = -1;
    }
    bool SawClosingWord() const { return closingWord_; }
    // 0 for the daemon's first connection, 1 for the next, and so on.
    int Number() const { return number_; }

private:
    bool ReadExact(void* buffer, size_t count)
    {
        auto* cursor = static_cast<uint8_t*>(buffer);
        while (count > 0) {
            ssize_t got = ::recv(fd_, cursor, count, 0);
            if (got <= 0)
                return false;
            cursor += got;
            count -= static_cast<size_t>(got);
        }
        return true;
    }

    int fd_;
    int number_;
    bool closingWord_ = false;
};

using FakeDaemonScript = std::function<void(FakeDaemonConnection&)>;

// Listens on 127.0.0.1 and publishes its port in the ownership block of the
// database path, as the real daemon does. Connection n runs scripts[n]
// (the last script again for later connections).
class FakeDaemon {
public:
    FakeDaemon(const std::string& databasePath, std::vector<FakeDaemonScript> scripts)
        : port_(listener_.port), scripts_(std::move(scripts))
    {
        KADIpcNameSet names;
        KADIpcNames(databasePath, names);
        blockName_ = names.mutexName + "-ipc2";
        Platform::SharedBlock block;
        block.Open(blockName_, KADIpcBlockView::Size, true);
        KADIpcBlockView view(block.Data());
        // Owned and kept by a live process that is not the client's.
        view.Initialise(getppid());
        view.SetOwner(getppid());
        view.SetPort(port_);
        thread_ = std::thread([this] { Serve(); });
    }
    ~FakeDaemon()
    {
        stopping_ = true;
        ::shutdown(listener_.fd, SHUT_RDWR);
        thread_.join();
        Platform::SharedBlock::Remove(blockName_);
    }
    FakeDaemon(const FakeDaemon&) = delete;
    FakeDaemon& operator=(const FakeDaemon&) = delete;

    int32_t GetPort() const { return port_; }
    int GetConnectionCount() const { return connections_.load(); }
    // Every request code seen, in order, with its id.
    std::vector<std::pair<int32_t, int32_t>> Requests() const
    {
        std::lock_guard<std::mutex> guard(requestsLock_);
        return requests_;
    }
    void RecordRequest(int32_t code, int32_t transactionId)
    {
        std::lock_guard<std::mutex> guard(requestsLock_);
        requests_.emplace_back(code, transactionId);
    }
    bool SawClosingWord() const { return closingWord_.load(); }
    void NoteClosingWord() { closingWord_ = true; }

private:
    void Serve()
    {
        while (!stopping_) {
            pollfd waiting{listener_.fd, POLLIN, 0};
            if (::poll(&waiting, 1, 50) <= 0)
                continue;
            int fd = listener_.Accept();
            if (fd < 0)
                continue;
            int index = connections_.fetch_add(1);
            FakeDaemonConnection connection(fd, index);
            const FakeDaemonScript& script = scripts_[std::min<size_t>(index, scripts_.size() - 1)];
            script(connection);
            if (connection.SawClosingWord())
                NoteClosingWord();
        }
    }

    std::string blockName_;
    LoopbackListener listener_;
    int32_t port_ = 0;
    std::vector<FakeDaemonScript> scripts_;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    std::atomic<bool> closingWord_{false};
    mutable std::mutex requestsLock_;
    std::vector<std::pair<int32_t, int32_t>> requests_;
    std::thread thread_;
};

// The usual handshake, then one empty reply per request until the client closes.
inline void ServeEmptyReplies(FakeDaemon& daemon, FakeDaemonConnection& connection)
{
    if (!connection.AcceptHandshake())
        return;
    int32_t code, id;
    KADBytes payload;
    while (connection.ReadRequest(code, id, payload)) {
        daemon.RecordRequest(code, id);
        connection.Send(KADEncodeReply(id, nullptr, 0));
    }
}

struct FakeDaemonRequest {
    int32_t code = 0;
    KADBytes payload;
};

// Each test links the client (KADClient) to a fake daemon of its own; both
// go when the test ends.
class FakeDaemonTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        KADClient::Shutdown();
        daemon.reset();
    }

    // Starts the daemon on the database path with the scripts, then the
    // client, which may not start a daemon of its own.
    void StartWith(const std::string& databasePath, std::vector<FakeDaemonScript> scripts)
    {
        daemon = std::make_unique<FakeDaemon>(databasePath, std::move(scripts));
        KADClientOptions options;
        options.optionByte2 = 0;
        options.mayStartDaemon = 0;
        ASSERT_TRUE(KADClient::Start(options));
    }
    // Starts them with a daemon that keeps every request and answers it
    // through Respond.
    void StartAnswering(const std::string& databasePath)
    {
        StartWith(databasePath, {[this](FakeDaemonConnection& connection) { AnswerRequests(connection); }});
    }

    // Fills the reply to a request already kept (empty by default), on the
    // daemon's thread; false hangs up instead. Notes may go out through the
    // connection first.
    virtual bool Respond(FakeDaemonConnection&, int32_t, int32_t, const KADBytes&, KADBytes&) { return true; }

    // Every request kept, in order; the client's start-up asks for a setting,
    // which is left out.
    std::vector<FakeDaemonRequest> Seen()
    {
        std::lock_guard<std::mutex> hold(seenLock_);
        return seen_;
    }
    std::vector<int32_t> SeenCodes()
    {
        std::vector<int32_t> codes;
        for (const FakeDaemonRequest& request : Seen())
            codes.push_back(request.code);
        return codes;
    }

    std::unique_ptr<FakeDaemon> daemon;

private:
    void AnswerRequests(FakeDaemonConnection& connection)
    {
        if (!connection.AcceptHandshake())
            return;
        int32_t code, id;
        KADBytes payload;
        while (connection.ReadRequest(code, id, payload)) {
            if (code != KADRequestNumber(KADRequestCode::GetSetting)) {
                std::lock_guard<std::mutex> hold(seenLock_);
                seen_.push_back({code, payload});
            }
            KADBytes reply;
            if (!Respond(connection, code, id, payload, reply)) {
                connection.Close();
                return;
            }
            connection.Send(KADEncodeReply(id, reply.data(), reply.size()));
        }
    }

    std::mutex seenLock_;
    std::vector<FakeDaemonRequest> seen_;
};
