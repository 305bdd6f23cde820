// A small blocking client of the daemon link, written from the protocol: for tests that speak to a real daemon.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "assetdb/protocol/kad_protocol.h"
#include "assetdb/protocol/kad_requests.h"
#include "assetdb/protocol/kad_wire.h"

struct KADTestMessage {
    std::int32_t tag = 0;
    std::int32_t word = 0;  // the transaction id of a reply, the type of a note
    KADBytes body;
};

// Reads give up after a generous bound so that a broken daemon fails a test
// instead of hanging it.
class KADTestClient {
public:
    KADTestClient() = default;
    ~KADTestClient() { Close(); }
    KADTestClient(const KADTestClient&) = delete;
    KADTestClient& operator=(const KADTestClient&) = delete;

    bool Connect(int port)
    {
        Close();
        socket_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (socket_ < 0)
            return false;
        int on = 1;
        setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        timeval limit{};
        limit.tv_sec = ReadBoundSeconds;
        setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        return connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    // Sends the handshake and reads the answer; true on "KADD" + two values.
    bool Handshake(const std::string& databasePath, std::int32_t clientFlag = 1)
    {
        return SendRaw(KADEncodeHandshake(clientFlag, databasePath)) && ReadHandshakeAnswer();
    }
    // Reads the daemon's answer to a handshake sent by other means.
    bool ReadHandshakeAnswer()
    {
        std::uint8_t answer[12];
        if (!ReadExactly(answer, sizeof answer) || KADLoadInt32(answer) != KADProtocol::DaemonCode)
            return false;
        daemonValue1 = KADLoadInt32(answer + 4);
        daemonValue2 = KADLoadInt32(answer + 8);
        return true;
    }
    bool SendRaw(const KADBytes& bytes)
    {
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            ssize_t count = send(socket_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (count < 0 && errno == EINTR)
                continue;
            if (count <= 0)
                return false;
            sent += static_cast<std::size_t>(count);
        }
        return true;
    }
    // Sends one request under a fresh transaction id; 0 when it could not.
    std::int32_t SendRequest(std::int32_t code, const KADBytes& payload = {})
    {
        std::int32_t id = nextTransactionId_++;
        if (!SendRaw(KADEncodeRequest(code, id, payload.data(), payload.size())))
            return 0;
        return id;
    }
    std::int32_t SendRequest(KADRequestCode code, const KADBytes& payload = {})
    {
        return SendRequest(KADRequestNumber(code), payload);
    }
    bool ReadMessage(KADTestMessage& message)
    {
        std::uint8_t header[12];
        if (!ReadExactly(header, sizeof header))
            return false;
        message.tag = KADLoadInt32(header);
        message.word = KADLoadInt32(header + 4);
        std::int32_t length = KADLoadInt32(header + 8);
        if ((message.tag != KADProtocol::ReplyTag && message.tag != KADProtocol::NoteTag) ||
            !KADIsValidFrameLength(length))
            return false;
        message.body.assign(static_cast<std::size_t>(length), 0);
        return length == 0 || ReadExactly(message.body.data(), message.body.size());
    }
    // Sends a request and reads up to its reply; notes that come before it
    // are kept in order.
    bool Call(std::int32_t code, const KADBytes& payload, KADBytes& reply, std::vector<KADTestMessage>* notes = nullptr)
    {
        std::int32_t id = SendRequest(code, payload);
        if (id == 0)
            return false;
        KADTestMessage message;
        while (ReadMessage(message)) {
            if (message.tag == KADProtocol::ReplyTag) {
                if (message.word != id)
                    return false;
                reply = message.body;
                return true;
            }
            if (notes != nullptr)
                notes->push_back(message);
        }
        return false;
    }
    bool Call(KADRequestCode code, const KADBytes& payload, KADBytes& reply,
              std::vector<KADTestMessage>* notes = nullptr)
    {
        return Call(KADRequestNumber(code), payload, reply, notes);
    }
    // True when the daemon closed the connection (or reset it) without
    // sending anything more.
    bool WaitForClose()
    {
        std::uint8_t byte = 0;
        for (;;) {
            ssize_t received = recv(socket_, &byte, 1, 0);
            if (received < 0 && errno == EINTR)
                continue;
            if (received == 0)
                return true;
            // A reset also means the daemon dropped us; a time-out does not.
            return received < 0 && (errno == ECONNRESET || errno == EPIPE);
        }
    }
    void Close()
    {
        if (socket_ >= 0)
            close(socket_);
        socket_ = -1;
    }
    // The socket, for tests that wait on several clients at once.
    int Socket() const { return socket_; }

    std::int32_t daemonValue1 = 0;
    std::int32_t daemonValue2 = 0;

private:
    // A bound against a hung daemon, not a timing: a sanitizer build on a busy
    // machine can take well over half a minute for a thousand-asset batch.
    static constexpr int ReadBoundSeconds = 180;

    bool ReadExactly(void* bytes, std::size_t count)
    {
        auto* at = static_cast<std::uint8_t*>(bytes);
        std::size_t got = 0;
        while (got < count) {
            ssize_t received = recv(socket_, at + got, count - got, 0);
            if (received < 0 && errno == EINTR)
                continue;
            if (received <= 0)
                return false;
            got += static_cast<std::size_t>(received);
        }
        return true;
    }

    int socket_ = -1;
    std::int32_t nextTransactionId_ = 1;
};
