// Parser of what a client sends the daemon: the handshake, then requests and the closing word.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "assetdb/protocol/kad_wire.h"

struct KADHandshake {
    std::int32_t code = 0;
    std::int32_t version = 0;
    std::int32_t build = 0;
    std::int32_t clientFlag = 0;
    std::string databasePath;
};

struct KADRequestFrame {
    std::int32_t code = 0;
    std::int32_t transactionId = 0;
    KADBytes payload;
};

// What the reader asks before it keeps a request's payload. The daemon caps
// each kind of request and shares one memory budget among its connections;
// without a guard only the protocol's own limits apply.
class KADPayloadGuard {
public:
    virtual ~KADPayloadGuard() = default;
    // A request announces its code and payload length; false refuses it
    // before a byte of it is kept.
    virtual bool Admit(std::int32_t code, std::size_t length) = 0;
    // Asked before the payload buffer of the admitted request grows by
    // `bytes`; false refuses the growth.
    virtual bool Reserve(std::size_t bytes) = 0;
};

enum class KADReaderEvent {
    NeedMore,   // every byte given was taken; the message is not complete yet
    Handshake,  // Handshake() holds the client's handshake
    Request,    // Request() holds one whole request
    Closing,    // the client's orderly closing word
    Error,      // a protocol error; ErrorText() says which, and the reader stays failed
};

// Works on bytes, not on a socket, so that the socket reader, tests and the
// fuzzer drive the same code. Input is hostile: lengths are checked before
// anything is kept, and a payload grows only as its bytes really arrive, so
// a length word alone never makes the reader allocate more than one step.
class KADRequestReader {
public:
    KADRequestReader() = default;
    // The guard must outlive the reader.
    explicit KADRequestReader(KADPayloadGuard* guard) : guard(guard) {}

    // Takes bytes from data up to the end of at most one message and says
    // what completed; `consumed` is the number of bytes taken.
    KADReaderEvent Feed(const std::uint8_t* data, std::size_t size, std::size_t& consumed);

    const KADHandshake& Handshake() const { return handshake; }
    KADRequestFrame& Request() { return request; }
    const std::string& ErrorText() const { return errorText; }
    bool HasFailed() const { return state == State::Failed; }
    bool HandshakeDone() const { return handshakeDone; }

private:
    enum class State { HandshakeHeader, HandshakePath, FrameHeader, Payload, Failed };

    static constexpr std::size_t HandshakeHeaderSize = 20;
    static constexpr std::size_t FrameHeaderSize = 12;

    std::size_t FillHeader(const std::uint8_t* data, std::size_t size, std::size_t wanted);
    KADReaderEvent Fail(const char* text);
    KADReaderEvent OnHandshakeHeader();
    KADReaderEvent OnFrameHeader();
    // Makes room for `needed` payload bytes; false when the guard refuses.
    bool GrowPayload(std::size_t needed);

    KADPayloadGuard* guard = nullptr;
    State state = State::HandshakeHeader;
    std::uint8_t header[HandshakeHeaderSize] = {};
    std::size_t headerFill = 0;
    std::size_t expected = 0;
    bool handshakeDone = false;
    KADHandshake handshake;
    KADRequestFrame request;
    std::string errorText;
};
