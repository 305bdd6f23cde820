// Exported file payloads: the length prefix and an LZSS stream that gives back exactly the file, compressible or not.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "daemon/asset_export.h"
#include "soup/acs_raw_data.h"
#include "kuid/kuid.h"
#include "support/lzss_test_support.h"
#include "support/temp_folder.h"
#include "soup/soup_handle.h"

namespace {

namespace fs = std::filesystem;
using LZSSTest::Bytes;
using LZSSTest::Noise;

class ExportFolder : public KorvelTest::TempFolderTest {
protected:
    void Write(const std::string& name, const Bytes& bytes)
    {
        std::ofstream out(folder / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        ASSERT_TRUE(out.good());
    }

    const fs::path folder = folder_.Root();
};

// Sizes around the point where random bytes stop fitting the export's
// block (the input plus 64 bytes) in their coded form and the coder falls
// back to the stored form.
TEST_F(ExportFolder, EveryPayloadDecodesToExactlyTheFile)
{
    struct Case {
        const char* name;
        Bytes bytes;
    };
    const std::vector<Case> cases = {
        {"empty.dat", {}},
        {"noise-100.jpg", Noise(100, 1)},
        {"noise-15000.jpg", Noise(15000, 2)},
        {"noise-16383.jpg", Noise(16383, 3)},
        {"noise-16384.jpg", Noise(16384, 4)},
        {"noise-40000.mp3", Noise(40000, 5)},
        {"noise-2000000.texture", Noise(2000000, 6)},
        {"zeros-40000.dat", Bytes(40000, 0)},
        {"text-1000000.txt", LZSSTest::SampleText(1000000)},
    };
    for (const Case& sample : cases)
        Write(sample.name, sample.bytes);

    SoupHandle config;
    config.SetNamedTag(Zel::PString("kind"), "scenery");
    SoupHandle entry;
    std::string error;
    ASSERT_TRUE(KADExportAssetFolder(folder.string(), config, KUID{424242, 17, 0}, entry, error)) << error;
    SoupHandle files = entry.GetNamedSoup(Zel::PString("files"));

    for (const Case& sample : cases) {
        SCOPED_TRACE(sample.name);
        RawDataRef block = files.GetNamedTagBlock(Zel::PString(sample.name));
        ASSERT_TRUE(block);
        const std::uint8_t* payload = block->Data();
        const std::size_t size = std::size_t(block->Size());
        ASSERT_GE(size, 5u);
        const std::uint32_t declared = std::uint32_t(payload[0]) | std::uint32_t(payload[1]) << 8 |
                                       std::uint32_t(payload[2]) << 16 | std::uint32_t(payload[3]) << 24;
        EXPECT_EQ(declared, sample.bytes.size());
        // Room for more than the file: stray bytes after the stream would
        // show as a longer output.
        Bytes out;
        ASSERT_TRUE(LZSSTest::Decompress(Bytes(payload + 4, payload + size), out, sample.bytes.size() + 4096));
        EXPECT_EQ(out.size(), sample.bytes.size());
        EXPECT_TRUE(out == sample.bytes);
        // A stored stream is the file after one zero byte, nothing more.
        if (payload[4] == 0) {
            EXPECT_EQ(size, 4 + 1 + sample.bytes.size());
        }
    }
}

}  // namespace
