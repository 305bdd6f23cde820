// Incremental parser of the client side of the daemon link, independent of sockets.
#include "assetdb/protocol/kad_request_reader.h"

#include <algorithm>

#include "assetdb/protocol/kad_protocol.h"

namespace {
// The first reservation of a payload; later ones at most double what arrived.
constexpr std::size_t ReserveStep = 64 * 1024;
}  // namespace

std::size_t KADRequestReader::FillHeader(const std::uint8_t* data, std::size_t size, std::size_t wanted)
{
    std::size_t take = std::min(size, wanted - headerFill);
    std::copy(data, data + take, header + headerFill);
    headerFill += take;
    return take;
}

KADReaderEvent KADRequestReader::Fail(const char* text)
{
    state = State::Failed;
    errorText = text;
    return KADReaderEvent::Error;
}

KADReaderEvent KADRequestReader::OnHandshakeHeader()
{
    handshake.code = KADLoadInt32(header);
    handshake.version = KADLoadInt32(header + 4);
    handshake.build = KADLoadInt32(header + 8);
    handshake.clientFlag = KADLoadInt32(header + 12);
    std::int32_t length = KADLoadInt32(header + 16);
    headerFill = 0;
    if (length < 0 || length > KADProtocol::MaxHandshakePath)
        return Fail("handshake path length out of range");
    expected = static_cast<std::size_t>(length);
    handshake.databasePath.clear();
    handshake.databasePath.reserve(expected);
    if (expected > 0) {
        state = State::HandshakePath;
        return KADReaderEvent::NeedMore;
    }
    state = State::FrameHeader;
    handshakeDone = true;
    return KADReaderEvent::Handshake;
}

KADReaderEvent KADRequestReader::OnFrameHeader()
{
    request.code = KADLoadInt32(header);
    request.transactionId = KADLoadInt32(header + 4);
    std::int32_t length = KADLoadInt32(header + 8);
    headerFill = 0;
    if (!KADIsValidFrameLength(length))
        return Fail("request length out of range");
    expected = static_cast<std::size_t>(length);
    if (guard != nullptr && !guard->Admit(request.code, expected))
        return Fail("request longer than its kind allows");
    request.payload.clear();
    if (expected == 0)
        return KADReaderEvent::Request;
    if (!GrowPayload(std::min(expected, ReserveStep)))
        return Fail("no memory left for the request");
    state = State::Payload;
    return KADReaderEvent::NeedMore;
}

bool KADRequestReader::GrowPayload(std::size_t needed)
{
    std::size_t held = request.payload.capacity();
    if (held >= needed)
        return true;
    // Doubling keeps large payloads linear; the cap at twice what has
    // arrived keeps a length word alone from reserving memory.
    std::size_t grown = std::min(expected, std::max(needed, 2 * held));
    if (guard != nullptr && !guard->Reserve(grown - held))
        return false;
    request.payload.reserve(grown);
    return true;
}

KADReaderEvent KADRequestReader::Feed(const std::uint8_t* data, std::size_t size, std::size_t& consumed)
{
    consumed = 0;
    while (consumed < size || state == State::Failed) {
        const std::uint8_t* at = data + consumed;
        std::size_t left = size - consumed;
        switch (state) {
        case State::Failed:
            return KADReaderEvent::Error;
        case State::HandshakeHeader: {
            consumed += FillHeader(at, left, HandshakeHeaderSize);
            // A peer that is not a client is turned away on its first word,
            // before it can make us wait for the rest.
            if (headerFill >= 4 && KADLoadInt32(header) != KADProtocol::ClientCode)
                return Fail("handshake code is not KADC");
            if (headerFill < HandshakeHeaderSize)
                return KADReaderEvent::NeedMore;
            KADReaderEvent event = OnHandshakeHeader();
            if (event != KADReaderEvent::NeedMore)
                return event;
            break;
        }
        case State::HandshakePath: {
            std::size_t take = std::min(left, expected - handshake.databasePath.size());
            handshake.databasePath.append(reinterpret_cast<const char*>(at), take);
            consumed += take;
            if (handshake.databasePath.size() < expected)
                return KADReaderEvent::NeedMore;
            state = State::FrameHeader;
            handshakeDone = true;
            return KADReaderEvent::Handshake;
        }
        case State::FrameHeader: {
            consumed += FillHeader(at, left, FrameHeaderSize);
            if (headerFill >= 4 && KADLoadInt32(header) == KADProtocol::ClosingWord) {
                // The closing word stands alone; whatever follows is not ours to read.
                consumed -= headerFill - 4;
                headerFill = 0;
                return KADReaderEvent::Closing;
            }
            if (headerFill < FrameHeaderSize)
                return KADReaderEvent::NeedMore;
            KADReaderEvent event = OnFrameHeader();
            if (event != KADReaderEvent::NeedMore)
                return event;
            break;
        }
        case State::Payload: {
            std::size_t take = std::min(left, expected - request.payload.size());
            if (!GrowPayload(request.payload.size() + take))
                return Fail("no memory left for the request");
            request.payload.insert(request.payload.end(), at, at + take);
            consumed += take;
            if (request.payload.size() < expected)
                return KADReaderEvent::NeedMore;
            state = State::FrameHeader;
            return KADReaderEvent::Request;
        }
        }
    }
    return KADReaderEvent::NeedMore;
}
