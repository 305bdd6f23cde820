// Little-endian framing of the daemon link's messages, written field by field.
#include "assetdb/protocol/kad_wire.h"

#include "assetdb/protocol/kad_protocol.h"

void KadAppendInt32(KadBytes& out, std::int32_t value)
{
    auto bits = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(bits >> shift));
}

void KadAppendBytes(KadBytes& out, const void* data, std::size_t size)
{
    if (size == 0)
        return;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    out.insert(out.end(), bytes, bytes + size);
}

std::int32_t KadLoadInt32(const std::uint8_t* bytes)
{
    std::uint32_t bits = std::uint32_t(bytes[0]) | (std::uint32_t(bytes[1]) << 8) |
                         (std::uint32_t(bytes[2]) << 16) | (std::uint32_t(bytes[3]) << 24);
    return static_cast<std::int32_t>(bits);
}

static KadBytes EncodeFrame(std::int32_t tag, std::int32_t word, const void* payload, std::size_t size)
{
    KadBytes out;
    out.reserve(12 + size);
    KadAppendInt32(out, tag);
    KadAppendInt32(out, word);
    KadAppendInt32(out, static_cast<std::int32_t>(size));
    KadAppendBytes(out, payload, size);
    return out;
}

KadBytes KadEncodeHandshake(std::int32_t clientFlag, std::string_view databasePath)
{
    KadBytes out;
    KadAppendInt32(out, KadProtocol::ClientCode);
    KadAppendInt32(out, KadProtocol::Version);
    KadAppendInt32(out, KadProtocol::Build);
    KadAppendInt32(out, clientFlag);
    KadAppendInt32(out, static_cast<std::int32_t>(databasePath.size()));
    KadAppendBytes(out, databasePath.data(), databasePath.size());
    return out;
}

KadBytes KadEncodeRequest(std::int32_t code, std::int32_t transactionId, const void* payload, std::size_t size)
{
    return EncodeFrame(code, transactionId, payload, size);
}

KadBytes KadEncodeClosingWord()
{
    KadBytes out;
    KadAppendInt32(out, KadProtocol::ClosingWord);
    return out;
}

KadBytes KadEncodeHandshakeReply(std::int32_t value1, std::int32_t value2)
{
    KadBytes out;
    KadAppendInt32(out, KadProtocol::DaemonCode);
    KadAppendInt32(out, value1);
    KadAppendInt32(out, value2);
    return out;
}

KadBytes KadEncodeReply(std::int32_t transactionId, const void* payload, std::size_t size)
{
    return EncodeFrame(KadProtocol::ReplyTag, transactionId, payload, size);
}

KadBytes KadEncodeNote(std::int32_t type, const void* payload, std::size_t size)
{
    return EncodeFrame(KadProtocol::NoteTag, type, payload, size);
}

bool KadIsValidFrameLength(std::int32_t length)
{
    return length >= 0 && length <= KadProtocol::MaxFrameLength;
}
