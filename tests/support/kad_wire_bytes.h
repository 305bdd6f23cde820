// Bytes of the daemon link's payloads built by hand (words, strings, asset ids), independent of the code under test.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "assetdb/protocol/kad_requests.h"
#include "assetdb/protocol/kad_wire.h"
#include "foundation/streams/t_buffer.h"
#include "kuid/kuid.h"

namespace KorvelTest {

inline KADBytes Int32Payload(std::initializer_list<std::int32_t> words)
{
    KADBytes out;
    for (std::int32_t word : words)
        KADAppendInt32(out, word);
    return out;
}

// The wire numbers of requests, in order, to hold against the codes a daemon saw.
inline std::vector<std::int32_t> RequestNumbers(std::initializer_list<KADRequestCode> codes)
{
    std::vector<std::int32_t> numbers;
    for (KADRequestCode code : codes)
        numbers.push_back(KADRequestNumber(code));
    return numbers;
}

// A code no row of the request table holds: the daemon answers it with an
// empty reply.
constexpr std::int32_t UnknownRequestCode = 77;
static_assert(KADRequestName(static_cast<KADRequestCode>(UnknownRequestCode)) == nullptr);

// The head of a request as it goes on the wire: code, transaction id and the
// payload length announced.
inline KADBytes RequestHeader(KADRequestCode code, std::int32_t transactionId, std::int32_t length)
{
    return Int32Payload({KADRequestNumber(code), transactionId, length});
}

// A Str: int32 length, then the bytes.
inline void AppendStr(KADBytes& bytes, const std::string& text)
{
    KADAppendInt32(bytes, static_cast<std::int32_t>(text.size()));
    KADAppendBytes(bytes, text.data(), text.size());
}

// A PStr: int32 length counting the closing NUL, then the bytes and the NUL.
inline void AppendPStr(KADBytes& bytes, const std::string& text)
{
    KADAppendInt32(bytes, static_cast<std::int32_t>(text.size() + 1));
    KADAppendBytes(bytes, text.c_str(), text.size() + 1);
}

// An asset id: the content word, then version (7 bits) over user (25 bits).
inline void AppendKUID(KADBytes& bytes, const KUID& id)
{
    KADAppendInt32(bytes, id.content);
    KADAppendInt32(
        bytes, static_cast<std::int32_t>((std::uint32_t(id.version) << 25) | (std::uint32_t(id.user) & 0x1FFFFFFu)));
}

// `count` flags of `bits`, lowest first, one byte each.
inline void AppendBits(KADBytes& bytes, std::uint8_t bits, int count)
{
    for (int i = 0; i < count; ++i)
        bytes.push_back((bits >> i) & 1);
}

// The reply of a request that opens an asset: the two handle words, the
// store's name and the folder.
inline KADBytes HandleReply(std::int32_t w0, std::int32_t w1, const std::string& store, const std::string& folder)
{
    KADBytes bytes = Int32Payload({w0, w1});
    AppendPStr(bytes, store);
    AppendStr(bytes, folder);
    return bytes;
}

// What a buffer holds, as bytes for the wire.
inline KADBytes BytesOfBuffer(TBuffer& buffer)
{
    return KADBytes(buffer.Data(), buffer.Data() + buffer.DataLength());
}

}  // namespace KorvelTest
