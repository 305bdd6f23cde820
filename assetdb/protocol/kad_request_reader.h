// Parser of what a client sends the daemon: the handshake, then requests and the closing word.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "assetdb/protocol/kad_wire.h"

struct KadHandshake {
    std::int32_t code = 0;
    std::int32_t version = 0;
    std::int32_t build = 0;
    std::int32_t clientFlag = 0;
    std::string databasePath;
};

struct KadRequestFrame {
    std::int32_t code = 0;
    std::int32_t transactionId = 0;
    KadBytes payload;
};

enum class KadReaderEvent {
    NeedMore,   // every byte given was taken; the message is not complete yet
    Handshake,  // Handshake() holds the client's handshake
    Request,    // Request() holds one whole request
    Closing,    // the client's orderly closing word
    Error,      // a protocol error; ErrorText() says which, and the reader stays failed
};

// Works on bytes, not on a socket, so that the socket reader, tests and the
// fuzzer drive the same code. Input is hostile: lengths are checked before
// anything is kept, and a payload grows only as its bytes really arrive, so
// a length word alone never makes the reader allocate.
class KadRequestReader {
public:
    // Takes bytes from data up to the end of at most one message and says
    // what completed; `consumed` is the number of bytes taken.
    KadReaderEvent Feed(const std::uint8_t* data, std::size_t size, std::size_t& consumed);

    const KadHandshake& Handshake() const { return handshake; }
    KadRequestFrame& Request() { return request; }
    const std::string& ErrorText() const { return errorText; }
    bool HasFailed() const { return state == State::Failed; }
    bool HandshakeDone() const { return handshakeDone; }

private:
    enum class State { HandshakeHeader, HandshakePath, FrameHeader, Payload, Failed };

    static constexpr std::size_t HandshakeHeaderSize = 20;
    static constexpr std::size_t FrameHeaderSize = 12;

    std::size_t FillHeader(const std::uint8_t* data, std::size_t size, std::size_t wanted);
    KadReaderEvent Fail(const char* text);
    KadReaderEvent OnHandshakeHeader();
    KadReaderEvent OnFrameHeader();

    State state = State::HandshakeHeader;
    std::uint8_t header[HandshakeHeaderSize] = {};
    std::size_t headerFill = 0;
    std::size_t expected = 0;
    bool handshakeDone = false;
    KadHandshake handshake;
    KadRequestFrame request;
    std::string errorText;
};
