// What the store derives from an asset's config: names, category codes, build, author, dependencies.
#include "daemon/asset_store_metadata.h"

#include <algorithm>

#include "assetdb/category_codes.h"
#include "daemon/asset_folders.h"
#include "soup/archive_extract.h"
#include "soup/asset_config_file.h"
#include "soup/asset_id_table.h"
#include "zel/ascii.h"

namespace {

std::string Tag(const SoupHandle& config, const char* name)
{
    return std::string(config.GetNamedTag(Zel::PString(name)).c_str());
}

// False with an empty error when the file is not there.
bool LoadConfigFile(const std::string& path, const char* format, SoupHandle& config, std::string& error)
{
    SoupHandle loaded;
    if (!KADFileExists(path) || !LoadAssetConfigFile(loaded, path.c_str(), format, error))
        return false;
    // A copy of its own: the loaded soup may read from the file's bytes.
    config.Copy(loaded);
    return true;
}

std::vector<KUID> ToList(const KUIDSet& set)
{
    std::vector<KUID> list;
    for (const KUID& id : set)
        list.push_back(id);
    return list;
}

}  // namespace

bool KADLoadFolderConfig(const std::string& folder, SoupHandle& config, std::string& error)
{
    error.clear();
    config.Clear();
    SoupHandle binary;
    SoupHandle text;
    bool hasBinary = LoadConfigFile(folder + "/config.chump", "chump", binary, error);
    bool hasText = error.empty() && LoadConfigFile(folder + "/config.txt", "txt", text, error);
    if (!error.empty())
        return false;
    if (!hasBinary && !hasText) {
        error = "The folder holds no config.txt or config.chump.";
        return false;
    }
    Zel::PString kuidName("kuid");
    if (hasBinary && hasText &&
        binary.GetNamedTagAsKUID(kuidName, NullKUID) != text.GetNamedTagAsKUID(kuidName, NullKUID)) {
        error = "config.txt and config.chump name different asset ids.";
        return false;
    }
    config = hasBinary ? binary : text;
    return true;
}

void KADDeriveAssetMetadata(const SoupHandle& config, KADAssetRecord& record)
{
    record.name = GetAssetDisplayName(config).c_str();
    record.kind = Zel::AsciiLowerCopy(Tag(config, "kind"));
    Zel::PString kind(record.kind.c_str());
    std::string legacy = Tag(config, "category-class");
    std::string category;
    if (!legacy.empty())
        category = LookupCategoryByCode(record.kind.c_str(), legacy.c_str()).c_str();
    if (category.empty())
        category = LookupCategoryForKind(kind, Zel::PString("")).c_str();
    record.category = category;
    record.region = Tag(config, "category-region");
    record.era = Tag(config, "category-era");
    record.description = Tag(config, "description");
    record.authorName = Tag(config, "author");
    record.build = GetConfigBuildVersion(config);
    record.authorId = record.id.user;
    record.hasScript = config.HasNamedTag(Zel::PString("script"));
    KUIDSet dependencies;
    CollectAssetDependencies(record.id, config, dependencies);
    record.dependencies = ToList(dependencies);
    KUIDSet obsoletes;
    CollectAssetObsoletes(record.id, config, obsoletes);
    record.obsoletes = ToList(obsoletes);
}

std::string KADAssetLeafName(const SoupHandle& config, const KUID& id)
{
    std::string name = Tag(config, "asset-filename");
    if (!name.empty() && IsValidContentName(name.c_str()))
        return name;
    return KADAssetKey(id);
}

std::string KADCategoryWithTags(const KADAssetRecord& record)
{
    Zel::AnsiString result;
    AppendHashTags(result, record.category.c_str(), record.keywords.c_str());
    return std::string(result.c_str());
}

std::string KADKeywordsFromText(const std::string& text)
{
    std::string keywords;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of(";|", start);
        if (end == std::string::npos)
            end = text.size();
        std::string token = text.substr(start, end - start);
        // Blanks around a token are not part of it.
        token.erase(0, token.find_first_not_of(" \t\r\n"));
        token.erase(token.find_last_not_of(" \t\r\n") + 1);
        if (token.size() > 1 && token[0] == '#') {
            if (!keywords.empty())
                keywords += ';';
            keywords += token.substr(1);
        }
        start = end + 1;
    }
    return keywords;
}
