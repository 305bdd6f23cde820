// Small signed content archives that the content-service tests serve and parse.
#pragma once

#include <string>

#include "soup/acs_raw_data.h"
#include "soup/archive_builder.h"
#include "soup/content_signature.h"
#include "kuid/kuid.h"
#include "soup/soup_handle.h"

namespace ContentService {

// One scenery asset with a readme; `needs` (when given) goes into its kuid-table.
inline SoupHandle SampleAssetEntry(const KUID& id, const char* name, const KUID* needs = nullptr)
{
    SoupHandle entry;
    entry.SetNamedTagKUID(Zel::PString("kuid"), id);
    entry.SetNamedTag(Zel::PString("kind"), "scenery");
    entry.SetNamedTag(Zel::PString("username"), name);
    entry.SetNamedTagFloat(Zel::PString("korvel-build"), 3.5f);
    if (needs != nullptr) {
        SoupHandle table;
        table.EnsureContainer();
        table.SetNamedTagKUID(Zel::PString("0"), *needs);
        entry.SetNamedSoup(Zel::PString("kuid-table"), table);
    }
    SoupHandle files;
    files.EnsureContainer();
    std::string readme = std::string("About ") + name;
    files.SetNamedTagBlock(Zel::PString("readme.txt"), SoupTypeRaw,
                           ACSRawDataCore::Copy(readme.data(), int32_t(readme.size())));
    entry.SetNamedSoup(Zel::PString("files"), files);
    return entry;
}

// Signs the entry and writes an archive holding it; the archive's error
// text, empty on success.
inline std::string WriteSampleArchive(SoupHandle& entry, const std::string& path,
                                      const std::string& thumbnail = std::string())
{
    StoreAssetDsid(entry);
    SoupHandle archive;
    Zel::PString error = AddAssetToArchive(archive, entry);
    if (!error.IsEmpty())
        return error.c_str();
    if (!thumbnail.empty()) {
        archive.SetNamedTagBlock(Zel::PString("thumbnail"), SoupTypeRaw,
                                 ACSRawDataCore::Copy(thumbnail.data(), int32_t(thumbnail.size())));
    }
    return WriteArchiveFile(archive, path.c_str()).c_str();
}

}  // namespace ContentService
