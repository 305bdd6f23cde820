// The peer of the installcdp benchmark: open a .cdp and write every asset's
// files below a folder (LZSS decoding plus copying the bytes), in process.
// Usage: store_install_bench <archive.cdp> <destination folder>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "soup/archive_builder.h"
#include "soup/archive_extract.h"
#include "soup/archive_reader.h"

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <archive.cdp> <destination folder>\n", argv[0]);
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    SoupHandle archive;
    const Zel::PString openError = OpenArchive(archive, Zel::PString(), argv[1]);
    if (!openError.IsEmpty()) {
        std::fprintf(stderr, "cannot open %s: %s\n", argv[1], openError.c_str());
        return 1;
    }
    const int32_t count = CountArchiveAssets(archive);
    for (int32_t index = 0; index < count; ++index) {
        CDPAssetEntry entry = GetArchiveAsset(archive, index);
        const std::string destination = std::string(argv[2]) + "/" + std::to_string(index);
        std::filesystem::create_directories(destination);
        Zel::PString error;
        ExtractArchiveFiles(error, entry.GetFilesSoup(), Zel::PString(), destination.c_str(), entry.GetCompression());
        if (!error.IsEmpty()) {
            std::fprintf(stderr, "extract failed: %s\n", error.c_str());
            return 1;
        }
    }
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.3f\n", ms);
    return 0;
}
