// JIRF container: header and chunk sizes patched by the writer, bounded header and chunk reads.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/temp_folder.h"
#include "zel/file.h"
#include "zel/jirf.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

std::string Word(uint32_t value)
{
    return std::string{static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF),
                       static_cast<char>((value >> 16) & 0xFF), static_cast<char>(value >> 24)};
}

}  // namespace

TEST(JIRFTest, WriterPatchesEverySizeToTheBytesAfterIt)
{
    KorvelTest::TempFolder tree;
    std::string path = tree / "out.im";
    {
        Zel::File file;
        ASSERT_EQ(file.Open(path.c_str(), Zel::File::ModeWrite), 0);
        int64_t header = Zel::JIRFWriteHeader(file, Zel::JIRFTag("MMTF"));
        int64_t outer = Zel::JIRFWriteChunkHead(file, Zel::JIRFTag("CHNK"), 100);
        int64_t inner = Zel::JIRFWriteChunkHead(file, Zel::JIRFTag("GEOM"), 201);
        ASSERT_TRUE(file.Write(uint32_t{0xDEADBEEF}));
        ASSERT_TRUE(Zel::JIRFEndChunk(file, inner));
        ASSERT_TRUE(Zel::JIRFEndChunk(file, outer));
        ASSERT_TRUE(Zel::JIRFPatchSize(file, header));
        // Patching returns to the end: the next write appends.
        EXPECT_EQ(file.Tell(), 40);
    }
    std::string expected =
        "JIRF" + Word(32) + "MMTF" + "CHNK" + Word(20) + Word(100) + "GEOM" + Word(8) + Word(201) + Word(0xDEADBEEF);
    EXPECT_EQ(tree.ReadFile("out.im"), expected);
    EXPECT_EQ(Zel::JIRFTag("MMTF"), 0x46544D4Du);

    std::vector<uint8_t> data = Bytes(expected);
    size_t position = 0;
    Zel::JIRFHeader header;
    ASSERT_TRUE(Zel::JIRFReadHeader(data.data(), data.size(), position, header));
    EXPECT_EQ(header.type, Zel::JIRFTag("MMTF"));
    EXPECT_EQ(header.contentEnd, 40);
    Zel::JIRFChunkHead chunk = Zel::JIRFReadChunkHead(data.data(), data.size(), position, Zel::JIRFTag("CHNK"));
    EXPECT_TRUE(chunk.tagRead && chunk.sizeRead && chunk.versionRead);
    EXPECT_EQ(chunk.version, 100);
    EXPECT_EQ(chunk.End(), 40);
}

TEST(JIRFTest, HeaderReaderRefusesShortAndForeignData)
{
    struct Case {
        std::string data;
        bool ok;
        int64_t contentEnd;
    } cases[] = {
        {"", false, 0},
        {"J", false, 0},
        {"JIRF", false, 0},
        {"JIRF" + Word(4), false, 0},
        {"JIRF" + Word(4) + "IDX", false, 0},
        {"JIRX" + Word(4) + "IDXM", false, 0},
        {"JIRF" + Word(4) + "IDXM", true, 12},
        // A hostile size may point before the data; the end stays signed.
        {"JIRF" + Word(0xFFFFFFF0u) + "IDXM", true, 8 - 16},
        {"JIRF" + Word(0x7FFFFFFFu) + "IDXM", true, 8 + int64_t{0x7FFFFFFF}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> data = Bytes(c.data);
        size_t position = 0;
        Zel::JIRFHeader header;
        EXPECT_EQ(Zel::JIRFReadHeader(data.data(), data.size(), position, header), c.ok) << c.data.size();
        if (c.ok) {
            EXPECT_EQ(header.contentEnd, c.contentEnd);
        }
    }
}

TEST(JIRFTest, ChunkHeadReadsOnlyWhatIsThere)
{
    struct Case {
        std::string data;
        bool tagRead, sizeRead, versionRead;
        int32_t version;
        size_t position;
    } cases[] = {
        {"INF", false, false, false, 0, 0},
        {"INFO", true, false, false, 0, 4},
        {"INFO" + Word(4) + "\x01", true, true, false, 0, 8},
        {"INFO" + Word(4) + Word(104), true, true, true, 104, 12},
        {"ATCH" + Word(4) + Word(104), true, false, false, 0, 4},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> data = Bytes(c.data);
        size_t position = 0;
        Zel::JIRFChunkHead head = Zel::JIRFReadChunkHead(data.data(), data.size(), position, Zel::JIRFTag("INFO"));
        EXPECT_EQ(head.tagRead, c.tagRead) << c.data;
        EXPECT_EQ(head.sizeRead, c.sizeRead) << c.data;
        EXPECT_EQ(head.versionRead, c.versionRead) << c.data;
        EXPECT_EQ(head.version, c.version) << c.data;
        EXPECT_EQ(position, c.position) << c.data;
    }
}

TEST(JIRFTest, PeekStepsBackOnlyOverBytesItRead)
{
    std::vector<uint8_t> data = Bytes("ATCHxy");
    size_t position = 0;
    EXPECT_FALSE(Zel::JIRFPeekChunk(data.data(), data.size(), position, Zel::JIRFTag("INFL")));
    EXPECT_EQ(position, 0u);
    EXPECT_TRUE(Zel::JIRFPeekChunk(data.data(), data.size(), position, Zel::JIRFTag("ATCH")));
    EXPECT_EQ(position, 4u);
    // Two bytes left: nothing read, nothing to step back over.
    EXPECT_FALSE(Zel::JIRFPeekChunk(data.data(), data.size(), position, Zel::JIRFTag("PMIN")));
    EXPECT_EQ(position, 4u);
}
