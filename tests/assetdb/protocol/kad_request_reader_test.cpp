// The daemon's parser of client bytes: handshakes, requests, the closing word and hostile lengths.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "assetdb/protocol/kad_protocol.h"
#include "assetdb/protocol/kad_request_reader.h"
#include "assetdb/protocol/kad_requests.h"
#include "assetdb/protocol/kad_wire.h"
#include "support/kad_wire_bytes.h"

namespace {

using KorvelTest::Int32Payload;
using KorvelTest::RequestHeader;

KADBytes Concat(std::initializer_list<KADBytes> parts)
{
    KADBytes out;
    for (const KADBytes& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

// Feeds the bytes in slices of `step` and records every event with its data.
std::vector<std::string> Drive(const KADBytes& bytes, std::size_t step)
{
    KADRequestReader reader;
    std::vector<std::string> events;
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::size_t slice = std::min(step, bytes.size() - at);
        std::size_t consumed = 0;
        KADReaderEvent event = reader.Feed(bytes.data() + at, slice, consumed);
        at += consumed;
        switch (event) {
        case KADReaderEvent::NeedMore:
            break;
        case KADReaderEvent::Handshake:
            events.push_back("handshake " + std::to_string(reader.Handshake().clientFlag) + " " +
                             reader.Handshake().databasePath);
            break;
        case KADReaderEvent::Request: {
            const KADRequestFrame& frame = reader.Request();
            events.push_back("request " + std::to_string(frame.code) + " " + std::to_string(frame.transactionId) + " " +
                             std::string(frame.payload.begin(), frame.payload.end()));
            break;
        }
        case KADReaderEvent::Closing:
            events.push_back("closing");
            break;
        case KADReaderEvent::Error:
            events.push_back("error");
            return events;
        }
    }
    return events;
}

}  // namespace

TEST(KADRequestReader, WholeSessionParsesTheSameInAnySlicing)
{
    const std::int32_t getSetting = KADRequestNumber(KADRequestCode::GetSetting);
    const std::int32_t keepAlive = KADRequestNumber(KADRequestCode::HostKeepAlive);
    KADBytes session =
        Concat({KADEncodeHandshake(1, "/r/UserData/assets.tdx"), KADEncodeRequest(getSetting, 1, "abc", 3),
                KADEncodeRequest(keepAlive, 2, nullptr, 0), KADEncodeClosingWord()});
    const std::vector<std::string> expected = {"handshake 1 /r/UserData/assets.tdx",
                                               "request " + std::to_string(getSetting) + " 1 abc",
                                               "request " + std::to_string(keepAlive) + " 2 ", "closing"};
    for (std::size_t step : {std::size_t(1), std::size_t(3), std::size_t(7), session.size()})
        EXPECT_EQ(Drive(session, step), expected) << "step " << step;
}

TEST(KADRequestReader, ProtocolErrors)
{
    struct Case {
        const char* name;
        KADBytes bytes;
        std::vector<std::string> expected;
    };
    const KADBytes hello = KADEncodeHandshake(0, "p");
    const std::vector<Case> cases = {
        {"wrong handshake code", Int32Payload({0x4B414444}), {"error"}},
        {"negative path length", Int32Payload({KADProtocol::ClientCode, 330, 44088, 1, -1}), {"error"}},
        {"path longer than 4096", Int32Payload({KADProtocol::ClientCode, 330, 44088, 1, 4097}), {"error"}},
        {"negative request length",
         Concat({hello, RequestHeader(KADRequestCode::GetSetting, 1, -5)}),
         {"handshake 0 p", "error"}},
        {"request length above 1 GiB",
         Concat({hello, RequestHeader(KADRequestCode::GetSetting, 1, (1 << 30) + 1)}),
         {"handshake 0 p", "error"}},
        {"most negative length",
         Concat({hello, RequestHeader(KADRequestCode::GetSetting, 1, INT32_MIN)}),
         {"handshake 0 p", "error"}},
        {"empty path", Int32Payload({KADProtocol::ClientCode, 330, 44088, 1, 0}), {"handshake 1 "}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Drive(c.bytes, 5), c.expected) << c.name;
}

TEST(KADRequestReader, WrongCodeIsRefusedOnTheFirstWord)
{
    KADRequestReader reader;
    KADBytes bytes = Int32Payload({0x47455420});
    std::size_t consumed = 0;
    EXPECT_EQ(reader.Feed(bytes.data(), bytes.size(), consumed), KADReaderEvent::Error);
    EXPECT_TRUE(reader.HasFailed());
    // A failed reader stays failed.
    EXPECT_EQ(reader.Feed(bytes.data(), bytes.size(), consumed), KADReaderEvent::Error);
}

TEST(KADRequestReader, ALargeDeclaredLengthAllocatesOnlyWhatArrives)
{
    KADRequestReader reader;
    KADBytes bytes = Concat(
        {KADEncodeHandshake(1, "p"), RequestHeader(KADRequestCode::GetAssetConfig, 9, 1 << 30), KADBytes(100, 'x')});
    std::size_t at = 0;
    std::size_t consumed = 0;
    ASSERT_EQ(reader.Feed(bytes.data(), bytes.size(), consumed), KADReaderEvent::Handshake);
    at += consumed;
    EXPECT_EQ(reader.Feed(bytes.data() + at, bytes.size() - at, consumed), KADReaderEvent::NeedMore);
    at += consumed;
    EXPECT_EQ(reader.Feed(bytes.data() + at, bytes.size() - at, consumed), KADReaderEvent::NeedMore);
    EXPECT_EQ(at + consumed, bytes.size());
    EXPECT_EQ(reader.Request().payload.size(), 100u);
    EXPECT_LE(reader.Request().payload.capacity(), 256u * 1024u);
}

TEST(KADRequestReader, ClosingWordLeavesFollowingBytesUnread)
{
    KADRequestReader reader;
    KADBytes bytes = Concat({KADEncodeHandshake(1, "p"), KADEncodeClosingWord(), Int32Payload({55, 66})});
    std::size_t consumed = 0;
    ASSERT_EQ(reader.Feed(bytes.data(), bytes.size(), consumed), KADReaderEvent::Handshake);
    std::size_t at = consumed;
    ASSERT_EQ(reader.Feed(bytes.data() + at, bytes.size() - at, consumed), KADReaderEvent::Closing);
    EXPECT_EQ(consumed, 4u);
}

namespace {

// Caps one code and counts what the reader asks to reserve.
class CountingGuard : public KADPayloadGuard {
public:
    bool Admit(std::int32_t code, std::size_t length) override
    {
        reserved = 0;
        return code != KADRequestNumber(KADRequestCode::GetAssetConfig) || length <= 1000;
    }
    bool Reserve(std::size_t bytes) override
    {
        if (reserved + bytes > budget)
            return false;
        reserved += bytes;
        return true;
    }

    std::size_t budget = SIZE_MAX;
    std::size_t reserved = 0;
};

}  // namespace

TEST(KADRequestReader, TheGuardRefusesALengthTooLongForTheKind)
{
    CountingGuard guard;
    KADRequestReader reader(&guard);
    KADBytes bytes = Concat({KADEncodeHandshake(1, "p"), RequestHeader(KADRequestCode::GetAssetConfig, 1, 1001)});
    std::size_t consumed = 0;
    ASSERT_EQ(reader.Feed(bytes.data(), bytes.size(), consumed), KADReaderEvent::Handshake);
    std::size_t at = consumed;
    EXPECT_EQ(reader.Feed(bytes.data() + at, bytes.size() - at, consumed), KADReaderEvent::Error);
    EXPECT_EQ(guard.reserved, 0u);
    EXPECT_EQ(reader.Request().payload.capacity(), 0u);
}

TEST(KADRequestReader, EveryGrowthOfThePayloadIsAskedForAndFollowsWhatArrived)
{
    CountingGuard guard;
    KADRequestReader reader(&guard);
    constexpr std::size_t Length = 3 * 1024 * 1024 + 5;
    KADBytes bytes = Concat({KADEncodeHandshake(1, "p"),
                             RequestHeader(KADRequestCode::GetAssetInfo, 1, static_cast<std::int32_t>(Length))});
    std::size_t consumed = 0;
    ASSERT_EQ(reader.Feed(bytes.data(), bytes.size(), consumed), KADReaderEvent::Handshake);
    std::size_t at = consumed;
    ASSERT_EQ(reader.Feed(bytes.data() + at, bytes.size() - at, consumed), KADReaderEvent::NeedMore);
    KADBytes piece(4096, 'z');
    std::size_t sent = 0;
    KADReaderEvent event = KADReaderEvent::NeedMore;
    while (sent < Length) {
        std::size_t size = std::min(piece.size(), Length - sent);
        event = reader.Feed(piece.data(), size, consumed);
        ASSERT_EQ(consumed, size);
        sent += size;
        // What was asked for is what the buffer holds, and never far ahead
        // of what arrived.
        EXPECT_EQ(guard.reserved, reader.Request().payload.capacity());
        EXPECT_LE(guard.reserved, std::max<std::size_t>(64 * 1024, 2 * sent));
    }
    EXPECT_EQ(event, KADReaderEvent::Request);
    EXPECT_EQ(reader.Request().payload.size(), Length);
    EXPECT_EQ(guard.reserved, Length);
}

TEST(KADRequestReader, AGrowthTheGuardRefusesIsAnError)
{
    CountingGuard guard;
    guard.budget = 200 * 1024;
    KADRequestReader reader(&guard);
    KADBytes bytes = Concat({KADEncodeHandshake(1, "p"), RequestHeader(KADRequestCode::GetAssetInfo, 1, 1 << 20),
                             KADBytes(300 * 1024, 'q')});
    std::size_t at = 0;
    std::size_t consumed = 0;
    KADReaderEvent event = KADReaderEvent::NeedMore;
    while (at < bytes.size() && event != KADReaderEvent::Error) {
        event = reader.Feed(bytes.data() + at, bytes.size() - at, consumed);
        at += consumed;
    }
    EXPECT_EQ(event, KADReaderEvent::Error);
    EXPECT_LE(guard.reserved, guard.budget);
    EXPECT_LE(reader.Request().payload.capacity(), guard.budget);
}
