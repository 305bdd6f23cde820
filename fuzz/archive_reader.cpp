// Fuzz target: a .cdp file opened, checked, signed, normalised, sized and extracted into a scratch folder.
#include <cstdint>
#include <filesystem>
#include <string>

#include "fuzz_scratch.h"
#include "soup/archive_builder.h"
#include "soup/archive_extract.h"
#include "soup/archive_reader.h"
#include "soup/asset_config_file.h"
#include "soup/content_signature.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& root = FuzzScratch::Folder("archive");
    const std::string path = root + "/input.cdp";
    if (!FuzzScratch::WriteFile(path, data, size))
        return 0;

    SoupHandle archive;
    if (!OpenArchive(archive, Zel::PString(), path.c_str()).IsEmpty())
        return 0;
    const std::string destination = root + "/out";
    const int32_t count = CountArchiveAssets(archive);
    for (int32_t index = 0; index < count && index < 16; ++index) {
        CDPAssetEntry entry = GetArchiveAsset(archive, index);
        VerifyAssetDsid(entry.soup);
        FindArchiveAsset(archive, entry.GetKUID());
        std::string limitError;
        CheckAssetConfigLimits(NormaliseAssetConfig(entry), "The config", limitError);
        DeclaredContentBytes(entry.GetFilesSoup(), entry.GetCompression());
        Zel::PString error;
        std::vector<SkippedContentEntry> skipped;
        ExtractArchiveFiles(error, entry.GetFilesSoup(), Zel::PString(), destination.c_str(), entry.GetCompression(),
                            &skipped);
        for (const SkippedContentEntry& left : skipped)
            SkippedContentLine(left);
        std::error_code ignored;
        std::filesystem::remove_all(destination, ignored);
    }
    RebuildArchiveTables(archive);
    return 0;
}
