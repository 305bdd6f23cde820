// Opening content archives with their checks, and normalising an entry into the config to install.
#include "soup/archive_reader.h"

#include "soup/archive_names.h"
#include "soup/asset_id_table.h"

namespace {
constexpr int32_t kSupportedPackageVersion = 1;
}

Zel::PString OpenArchive(SoupHandle& archive, const Zel::PString& folderName, const char* path)
{
    const ArchiveTagNames& names = ArchiveNames();
    archive.LoadFromFile(folderName, path);
    if (archive.GetNamedTag(names.kind).ToLower() != "archive") {
        archive.Clear();
        return Zel::PString("Content could not be read, as the file is not a valid CDP");
    }
    if (archive.GetNamedSoup(names.contentsTable).CountTags() != archive.GetNamedSoup(names.assets).CountTags()) {
        archive.Clear();
        return Zel::PString("Content could not be read, as the CDP file is damaged");
    }
    if (archive.GetNamedTagAsInt(names.packageVersion, 0) != kSupportedPackageVersion) {
        archive.Clear();
        return Zel::PString("This content requires a newer Korvel version");
    }
    return Zel::PString("");
}

SoupHandle NormaliseAssetConfig(CDPAssetEntry& entry)
{
    const ArchiveTagNames& names = ArchiveNames();
    SoupHandle config;
    config.Copy(entry.soup);
    config.RemoveNamedTag(names.files);
    config.RemoveNamedTag(names.dsid);
    config.RemoveNamedTag(names.compression);
    config.RemoveNamedTag(names.folderIcon);

    Zel::PString kind = config.GetNamedTag(names.kind);
    const Zel::PString original = kind;
    Zel::PString::MakeLowerCase(kind);
    if (kind != original) {
        config.SetNamedTag(names.kind, kind);
        entry.modified = true;
    }
    if (config.HasNamedTag(names.cache)) {
        config.RemoveNamedTag(names.cache);
        entry.modified = true;
    }
    KUIDSet dependencies;
    CollectAssetDependencies(entry.GetKUID(), entry.soup, dependencies);
    MergeKUIDTable(entry, config, dependencies);
    return config;
}
