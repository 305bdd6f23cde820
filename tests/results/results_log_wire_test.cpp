// The results log's wire form, written and read, with hostile inputs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "results_log_test_support.h"

using Kind = ResultsLog::MessageKind;

namespace {

std::string Bytes(const TBuffer& buffer)
{
    return std::string(reinterpret_cast<const char*>(buffer.Data()), size_t(buffer.DataLength()));
}

std::string Int32(int32_t value)
{
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = char((uint32_t(value) >> (8 * i)) & 0xFF);
    return bytes;
}

std::string Str(const std::string& text)
{
    return Int32(int32_t(text.size())) + text;
}

void Fill(TBuffer& buffer, const std::string& bytes)
{
    buffer.WriteBytes(bytes.data(), int64_t(bytes.size()));
    buffer.Rewind();
}

// Counts the "list-updated" messages a log sends.
class UpdateCounter : public NuMessageRecipient {
public:
    int ReceiveMessage(const NuMessageData& message) override
    {
        if (message.Name() == Zel::PString("list-updated"))
            ++updates;
        return 1;
    }
    int updates = 0;
};

}  // namespace

TEST(ResultsLogWire, WritesFormatCountAndEachLineFieldByField)
{
    ResultsLog log;
    log.AddMessage(Kind::Error, AssetProperty(5, 100, 0), Zel::String("hi"));
    log.AddMessage(Kind::Success, "ok");
    TBuffer buffer;
    log.WriteTo(buffer, 0);
    std::string expected = Int32(0) + Int32(2) + Int32(3) + Str("hi") + Int32(8) + Str("AssetID") +
                           Str("<kuid:5:100>") + Int32(4) + Str("ok") + Int32(0);
    EXPECT_EQ(Bytes(buffer), expected);
    EXPECT_TRUE(log.IsSent());
}

TEST(ResultsLogWire, FirstIndexSkipsEarlierLines)
{
    ResultsLog log;
    log.AddMessage(Kind::Info, "a");
    log.AddMessage(Kind::Warning, "b");
    TBuffer from1;
    log.WriteTo(from1, 1);
    EXPECT_EQ(Bytes(from1), Int32(0) + Int32(1) + Int32(2) + Str("b") + Int32(0));
    TBuffer atEnd;
    log.WriteTo(atEnd, 2);
    EXPECT_EQ(Bytes(atEnd), Int32(0) + Int32(0));
    TBuffer pastEnd;
    log.WriteTo(pastEnd, 7);
    EXPECT_EQ(Bytes(pastEnd), Int32(0) + Int32(0));
}

TEST(ResultsLogWire, RoundTripKeepsKindsTextsIdsAndCounts)
{
    ResultsLog source;
    source.AddMessage(Kind::Info, "info");
    source.AddMessage(Kind::Warning, AssetProperty(5, 100, 3), Zel::String("warn"));
    source.AddMessage(Kind::Error, "err");
    source.AddMessage(Kind::Success, AssetProperty(-3, 1, 127), Zel::String("done"));
    TBuffer buffer;
    source.WriteTo(buffer, 0);
    buffer.Rewind();

    ResultsLog target;
    target.AddMessage(Kind::Error, "already there");
    target.ReadFrom(buffer);
    EXPECT_EQ(PrintToString(target), "- <NULL> : already there\n"
                                     "; <NULL> : info\n"
                                     "! <kuid2:5:100:3> : warn\n"
                                     "- <NULL> : err\n"
                                     "+ <kuid:-3:1> : done\n"
                                     "OK (2 Errors, 1 Warnings)\n");
    EXPECT_EQ(target.ErrorCount(), 2);
    EXPECT_EQ(target.WarningCount(), 1);
    EXPECT_EQ(target.SuccessCount(), 1);
}

TEST(ResultsLogWire, ReadLinesTakeNoPushedAssetAndNoSubstitution)
{
    TBuffer buffer;
    Fill(buffer, Int32(0) + Int32(1) + Int32(3) + Str("$(FILE_NAME)") + Int32(0));
    ResultsLog log;
    log.PushAsset(AssetProperty(1, 2, 0));
    log.ReadFrom(buffer);
    EXPECT_EQ(PrintToString(log), "- <NULL> : $(FILE_NAME)\nOK (1 Errors, 0 Warnings)\n");
}

TEST(ResultsLogWire, PropertyStringsWithATrailingNulAreAccepted)
{
    TBuffer buffer;
    std::string name("AssetID\0", 8);
    std::string value("<kuid:7:8>\0", 11);
    Fill(buffer, Int32(0) + Int32(1) + Int32(2) + Str("w") + Int32(8) + Str(name) + Str(value));
    ResultsLog log;
    log.ReadFrom(buffer);
    EXPECT_EQ(PrintToString(log), "! <kuid:7:8> : w\nOK (0 Errors, 1 Warnings)\n");
}

TEST(ResultsLogWire, OtherPropertyTypesAreReadWholeAndDropped)
{
    TBuffer buffer;
    Fill(buffer, Int32(0) + Int32(2) + Int32(3) + Str("first") + Int32(3) + Str("Name") + Str("<kuid:1:1>") + Int32(1) +
                     Str("second") + Int32(0));
    ResultsLog log;
    log.ReadFrom(buffer);
    EXPECT_EQ(PrintToString(log), "- <NULL> : first\n; <NULL> : second\nOK (1 Errors, 0 Warnings)\n");
}

TEST(ResultsLogWire, FormatOtherThanZeroReadsNoLinesButStillNotifies)
{
    TBuffer buffer;
    Fill(buffer, Int32(1) + Int32(1) + Int32(3) + Str("x") + Int32(0));
    ResultsLog log;
    UpdateCounter listener;
    NuMessagePipe pipe(&listener, 0);
    log.AttachPipe(pipe);
    log.ReadFrom(buffer);
    EXPECT_EQ(log.LineCount(), 0);
    EXPECT_EQ(listener.updates, 1);
    EXPECT_FALSE(log.IsSent());
}

TEST(ResultsLogWire, HostileCountsReadOnlyWhatIsThere)
{
    struct Case {
        const char* what;
        std::string bytes;
        int64_t lines;
    };
    const std::string oneLine = Int32(3) + Str("x") + Int32(0);
    const Case cases[] = {
        {"empty buffer", "", 0},
        {"format only", Int32(0), 0},
        {"negative count", Int32(0) + Int32(-5) + oneLine, 0},
        {"huge count, one line present", Int32(0) + Int32(0x7FFFFFFF) + oneLine, 1},
        {"line cut inside its text", Int32(0) + Int32(2) + oneLine + Int32(3) + Int32(50) + "ab", 2},
        {"text length beyond the limit", Int32(0) + Int32(3) + Int32(3) + Int32(0x10000) + "zz", 1},
    };
    for (const Case& c : cases) {
        TBuffer buffer;
        Fill(buffer, c.bytes);
        ResultsLog log;
        log.ReadFrom(buffer);
        EXPECT_EQ(log.LineCount(), c.lines) << c.what;
    }
}
