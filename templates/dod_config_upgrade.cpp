// The old-config upgrade in order: configs of builds before 2.9 rewritten into the current layout before they are checked.
#include "templates/dod_config_upgrade.h"

#include <string>
#include <vector>

#include "assetdb/category_codes.h"
#include "kuid/kuid.h"
#include "templates/dod_build_numbers.h"
#include "templates/dod_config_upgrade_steps.h"
#include "templates/dod_data_manager.h"
#include "templates/dod_soup_helpers.h"
#include "zel/ascii.h"
#include "zel/file.h"

namespace DODLib {

namespace {

using namespace ConfigUpgrade;

// The build an upgraded config is stamped with.
constexpr float UpgradedBuild = 2.9f;

Zel::PString Text(const SoupHandle& config, const char* name)
{
    return config.GetNamedTag(Zel::PString(name));
}

// Moves a tag's value to another name (an absent tag moves nothing).
void MoveTag(SoupHandle& config, const char* from, const char* to)
{
    const Zel::PString oldName(from);
    if (!config.HasNamedTag(oldName))
        return;
    config.SetNamedTag(Zel::PString(to), config.GetNamedTag(oldName));
    config.RemoveNamedTag(oldName);
}

void FillUsername(SoupHandle& config)
{
    if (!IsEmptyTag(config, "username"))
        return;
    const Zel::PString username("username");
    if (!IsEmptyTag(config, "name")) {
        config.SetNamedTag(username, Text(config, "name"));
        config.RemoveNamedTag(Zel::PString("name"));
    } else if (!IsEmptyTag(config, "asset-filename")) {
        config.SetNamedTag(username, Text(config, "asset-filename"));
    }
}

void DropNullMapRegion(SoupHandle& config, const Zel::PString& kind)
{
    const Zel::PString region("region");
    // Kind "map" in exactly these letters: other spellings keep the tag.
    if (kind != "map" || !config.HasNamedTag(region))
        return;
    if (config.GetNamedTagAsKUID(region, KUID(0, 0, 0)) == NullKUID)
        config.RemoveNamedTag(region);
}

// Collects "<prefix>0", "<prefix>1", ... into one ";"-separated list. The
// first number may be missing; from 1 on, the first missing one ends it.
void CollectNumbered(SoupHandle& config, const char* prefix, const char* target, bool upperCase, bool eraSuffix)
{
    std::string collected;
    bool found = false;
    for (int n = 0;; ++n) {
        const Zel::PString name = NumberedName(prefix, n);
        Zel::PString value = config.GetNamedTag(name);
        if (value.IsEmpty()) {
            if (n >= 1)
                break;
            continue;
        }
        if (upperCase)
            value = value.ToUpper();
        if (found)
            collected += ';';
        collected += value.View();
        if (eraSuffix && value.View().back() != 's')
            collected += 's';
        found = true;
        config.RemoveNamedTag(name);
    }
    if (found)
        config.SetNamedTag(Zel::PString(target), collected.c_str());
}

// A colour of fewer than three parts was never a colour.
void DropShortColour(SoupHandle& config)
{
    const Zel::PString rgb("rgb");
    if (!config.HasNamedTag(rgb))
        return;
    const std::string_view text = config.GetNamedTag(rgb).View();
    int parts = 0;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string_view::npos)
            end = text.size();
        if (end > start)
            ++parts;
        start = end + 1;
    }
    if (parts < 3)
        config.RemoveNamedTag(rgb);
}

void AddScriptExtension(SoupHandle& config)
{
    const Zel::PString script("script");
    const Zel::PString value = config.GetNamedTag(script);
    if (value.IsEmpty())
        return;
    Zel::File::Path file(value.View());
    if (!file.GetExt().empty())
        return;
    file.SetExt("gs");
    config.SetNamedTag(script, file.c_str());
}

void NameEffectsByTag(SoupHandle& config)
{
    const SoupHandle table = config.GetNamedSoup(Zel::PString("mesh-table"));
    if (!IsRealSoup(table))
        return;
    config.RemoveNamedTag(Zel::PString("night"));
    const Zel::PString effectsTag("effects");
    const Zel::PString kindTag("kind");
    const Zel::PString nameTag("name");
    for (int32_t i = 0; i < table.CountTags(); ++i) {
        const SoupHandle effects = table.GetIndexedSoup(i).GetNamedSoup(effectsTag);
        for (int32_t e = 0; e < effects.CountTags(); ++e) {
            SoupHandle effect = effects.GetIndexedSoup(e);
            if (!IsRealSoup(effect) || effect.GetNamedTag(kindTag) != "name" || !effect.GetNamedTag(nameTag).IsEmpty())
                continue;
            effect.SetNamedTag(nameTag, effects.GetIndexedTagName(e));
        }
    }
}

// Old sound lists named each file by itself, without a value.
void NumberBareSoundFiles(SoupHandle& config)
{
    const SoupHandle scripts = config.GetNamedSoup(Zel::PString("soundscript"));
    const Zel::PString soundTag("sound");
    for (int32_t i = 0; i < scripts.CountTags(); ++i) {
        SoupHandle entry = scripts.GetIndexedSoup(i);
        const SoupHandle sound = entry.GetNamedSoup(soundTag);
        if (!IsRealSoup(entry) || !IsRealSoup(sound))
            continue;
        SoupHandle numbered;
        numbered.EnsureContainer();
        for (int32_t n = 0; n < sound.CountTags(); ++n) {
            Zel::PString name;
            Zel::PString text;
            sound.GetIndexedTagText(n, name, text);
            ChunkRef chunk;
            sound.Root()->GetIndexedTag(n, name, chunk);
            if (text.IsEmpty() && chunk->GetType() != SoupTypeContainer)
                numbered.SetNamedTag(NumberedName("", n), name);
            else
                PutChunk(numbered, name, OwnedCopy(chunk));
        }
        entry.RemoveNamedTag(soundTag);
        entry.SetNamedSoup(soundTag, numbered);
    }
}

void DropSignalFunction(SoupHandle& config, const Zel::PString& kind)
{
    if (IsKind(kind, "mospeedboard"))
        RemoveTags(config, {"function"});
    else if (!IsKind(kind, "mosignal") && config.HasNamedTag(Zel::PString("trackside")))
        RemoveTags(config, {"function"});
}

bool IsWorldRegion(std::string_view region)
{
    for (const char* name : {"EU", "any region in the world", "World Trees", "ALL"}) {
        if (Zel::AsciiEqualIgnoreCase(region, name))
            return true;
    }
    return false;
}

// The categories every current kind has: an era, a class the class table
// knows for the kind, a region.
void FillCategories(SoupHandle& config, const Zel::PString& kind, bool renaming)
{
    if (renaming)
        return;
    if (IsEmptyTag(config, "category-era"))
        config.SetNamedTag(Zel::PString("category-era"), "1800s");
    const Zel::PString classTag("category-class");
    if (LookupCategoryByCode(kind.c_str(), config.GetNamedTag(classTag).c_str()).IsEmpty())
        config.SetNamedTag(classTag, "ZX");
    const Zel::PString regionTag("category-region");
    const Zel::PString region = config.GetNamedTag(regionTag);
    if (region.IsEmpty() || IsWorldRegion(region.View()))
        config.SetNamedTag(regionTag, "00");
}

void CutUsernameAtLineEnd(SoupHandle& config)
{
    const Zel::PString username("username");
    const Zel::PString value = config.GetNamedTag(username);
    const std::string_view text = value.View();
    const size_t end = text.find_first_of("\r\n");
    if (end != std::string_view::npos)
        config.SetNamedTag(username, Zel::PString(text.substr(0, end)));
}

}  // namespace

void UpgradeOldConfigIfNeeded(SoupHandle& config)
{
    DataManager* manager = DataManager::Instance();
    if (!NeedsConfigUpgrade(manager->GetBuild()))
        return;
    UpgradeOldConfig(config);
    config.SetNamedTagFloat(Zel::PString("korvel-build"), UpgradedBuild);
}

void UpgradeOldConfig(SoupHandle& config)
{
    DataManager* manager = DataManager::Instance();
    manager->LoadTemplates();
    const bool renaming = manager->RenamesLegacyFiles();
    const Zel::PString kind = Text(config, "kind");

    FillUsername(config);
    DropNullMapRegion(config, kind);
    RemoveTags(config, {"thumbnail", ".cache", "__filename", "__dir"});
    CollectNumbered(config, "category-region-", "category-region", true, false);
    CollectNumbered(config, "category-era-", "category-era", false, true);
    if (IsEmptyTag(config, "license"))
        RemoveTags(config, {"license"});
    DropShortColour(config);
    MoveTag(config, "scriptlibrary", "script");
    MoveTag(config, "classlibrary", "class");
    AddScriptExtension(config);
    const Zel::PString assetFile = Text(config, "asset-filename");
    RemoveTags(config, {"asset-filename"});
    UpgradeByKind(config, kind, assetFile);
    UpgradeFileNames(config, kind, assetFile, renaming);
    UpgradeScenery(config, kind, assetFile);
    UpgradeMapFiles(kind, assetFile, renaming);
    UpgradeInterior(config, kind, assetFile);
    RemoveTags(config, {"fontsize", "fontcolor"});
    NameEffectsByTag(config);
    RemoveTags(config, {"type"});
    if (!IsKind(kind, "map"))
        RemoveTags(config, {"region"});
    NumberBareSoundFiles(config);
    DropSignalFunction(config, kind);
    FillCategories(config, kind, renaming);
    IconToThumbnail(config);
    RemoveJunkTags(config);
    RenameOldTags(config);
    const TopLevelTags known(manager->GetLibrary());
    RemoveTagsAfterDescription(config, known);
    RemoveAssetTags(config, known);
    RemoveWordTags(config);
    RemoveUnnamableTags(config);
    CutUsernameAtLineEnd(config);
}

}  // namespace DODLib
