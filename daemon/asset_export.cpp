// An asset as an archive entry: config tags, "kuid", its files LZSS-coded, "compression" and "dsid".
#include "daemon/asset_export.h"

#include <sys/stat.h>

#include <cstring>
#include <limits>

#include "daemon/asset_folders.h"
#include "soup/acs_raw_data.h"
#include "soup/archive_extract.h"
#include "soup/content_signature.h"
#include "zel/lzss_compress.h"
#include "zel/ioslave.h"

namespace {

// An entry travels in one reply and one soup block per file: the whole
// export stays below 2 GiB.
constexpr std::uint64_t ExportLimit = 0x7fff0000u;
constexpr int PayloadPrefix = 4;

// uint32 uncompressed length, then the LZSS stream.
RawDataRef CompressFile(const std::vector<std::uint8_t>& bytes)
{
    std::size_t capacity = bytes.size() + 64;
    if (capacity + PayloadPrefix > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        return RawDataRef();
    std::vector<std::uint8_t> out(capacity + PayloadPrefix);
    std::uint32_t length = static_cast<std::uint32_t>(bytes.size());
    for (int i = 0; i < PayloadPrefix; ++i)
        out[i] = static_cast<std::uint8_t>(length >> (8 * i));
    // The stream is as long as the coder says, not as far as it wrote: bytes
    // that do not compress overflow the block in coded form, and the stored
    // copy that replaces it leaves the abandoned coded tail behind its end.
    Zel::LZSSCompress coder;
    const std::size_t written = coder.CompressBlock(out.data() + PayloadPrefix, capacity, bytes.data(), bytes.size(),
                                                    Zel::LZSSCompress::kDefaultLevel);
    if (written == 0)
        return RawDataRef();
    return ACSRawDataCore::Copy(out.data(), static_cast<std::int32_t>(written + PayloadPrefix));
}

bool AddFolder(const std::string& folder, bool top, SoupHandle& files, std::uint64_t& total, std::string& error)
{
    files.EnsureContainer();
    for (const std::string& name : KADFolderEntries(folder)) {
        std::string path = folder + "/" + name;
        struct stat info {};
        if (lstat(path.c_str(), &info) != 0)
            continue;
        // The archive's binary form cannot carry the name: its writer would
        // drop the tag after the signature was made over it (the export
        // warns of it).
        if (name.size() > kLongestArchiveName)
            continue;
        Zel::PString tag(name.c_str());
        if (S_ISDIR(info.st_mode)) {
            SoupHandle sub;
            if (!AddFolder(path, false, sub, total, error))
                return false;
            files.SetNamedSoup(tag, sub);
            continue;
        }
        if (!S_ISREG(info.st_mode) || (top && (name == "config.txt" || name == "config.chump")))
            continue;
        total += static_cast<std::uint64_t>(info.st_size);
        std::vector<std::uint8_t> bytes;
        if (total > ExportLimit) {
            error = "The asset's files are too large to export.";
            return false;
        }
        if (!KADReadWholeFile(path, bytes, ExportLimit)) {
            error = "Unable to read " + path + ".";
            return false;
        }
        RawDataRef block = CompressFile(bytes);
        if (!block) {
            error = "Unable to compress " + path + ".";
            return false;
        }
        files.SetNamedTagBlock(tag, SoupTypeRaw, block);
    }
    return true;
}

}  // namespace

bool KADExportAssetFolder(const std::string& folder, const SoupHandle& config, const KUID& id, SoupHandle& entry,
                          std::string& error)
{
    entry.Copy(config);
    entry.SetNamedTagKUID(Zel::PString("kuid"), id);
    SoupHandle files;
    std::uint64_t total = 0;
    if (!AddFolder(folder, true, files, total, error)) {
        entry.Clear();
        return false;
    }
    entry.SetNamedSoup(Zel::PString("files"), files);
    entry.SetNamedTag(Zel::PString("compression"), "LZSS");
    StoreAssetDsid(entry);
    return true;
}
