// Little-endian framing of the daemon link's messages, written field by field.
#include "assetdb/protocol/kad_wire.h"

#include "assetdb/protocol/kad_protocol.h"

void KADAppendInt32(KADBytes& out, std::int32_t value)
{
    auto bits = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(bits >> shift));
}

void KADAppendBytes(KADBytes& out, const void* data, std::size_t size)
{
    if (size == 0)
        return;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    out.insert(out.end(), bytes, bytes + size);
}

std::int32_t KADLoadInt32(const std::uint8_t* bytes)
{
    std::uint32_t bits = std::uint32_t(bytes[0]) | (std::uint32_t(bytes[1]) << 8) | (std::uint32_t(bytes[2]) << 16) |
                         (std::uint32_t(bytes[3]) << 24);
    return static_cast<std::int32_t>(bits);
}

static KADBytes EncodeFrame(std::int32_t tag, std::int32_t word, const void* payload, std::size_t size)
{
    KADBytes out;
    out.reserve(12 + size);
    KADAppendInt32(out, tag);
    KADAppendInt32(out, word);
    KADAppendInt32(out, static_cast<std::int32_t>(size));
    KADAppendBytes(out, payload, size);
    return out;
}

KADBytes KADEncodeHandshake(std::int32_t clientFlag, std::string_view databasePath)
{
    KADBytes out;
    KADAppendInt32(out, KADProtocol::ClientCode);
    KADAppendInt32(out, KADProtocol::Version);
    KADAppendInt32(out, KADProtocol::Build);
    KADAppendInt32(out, clientFlag);
    KADAppendInt32(out, static_cast<std::int32_t>(databasePath.size()));
    KADAppendBytes(out, databasePath.data(), databasePath.size());
    return out;
}

KADBytes KADEncodeRequest(std::int32_t code, std::int32_t transactionId, const void* payload, std::size_t size)
{
    return EncodeFrame(code, transactionId, payload, size);
}

KADBytes KADEncodeClosingWord()
{
    KADBytes out;
    KADAppendInt32(out, KADProtocol::ClosingWord);
    return out;
}

KADBytes KADEncodeHandshakeReply(std::int32_t value1, std::int32_t value2)
{
    KADBytes out;
    KADAppendInt32(out, KADProtocol::DaemonCode);
    KADAppendInt32(out, value1);
    KADAppendInt32(out, value2);
    return out;
}

KADBytes KADEncodeReply(std::int32_t transactionId, const void* payload, std::size_t size)
{
    return EncodeFrame(KADProtocol::ReplyTag, transactionId, payload, size);
}

KADBytes KADEncodeNote(std::int32_t type, const void* payload, std::size_t size)
{
    return EncodeFrame(KADProtocol::NoteTag, type, payload, size);
}

bool KADIsValidFrameLength(std::int32_t length)
{
    return length >= 0 && length <= KADProtocol::MaxFrameLength;
}
