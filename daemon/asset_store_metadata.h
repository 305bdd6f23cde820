// What the store derives from an asset's config: names, category codes, build, author, dependencies.
#pragma once

#include <string>

#include "daemon/asset_store.h"
#include "soup/soup_handle.h"

// Loads the folder's config: "config.chump", else "config.txt". False when
// the folder holds neither, or when both hold different "kuid"s (error
// then says so).
bool KADLoadFolderConfig(const std::string& folder, SoupHandle& config, std::string& error);
// Sets the fields that come from the config: name, kind, category, region,
// era, description, author, build, script and the dependency and obsolete
// lists. Keywords, rating, flags and times stay.
void KADDeriveAssetMetadata(const SoupHandle& config, KADAssetRecord& record);
// The folder name of the asset: the config's "asset-filename" when it is a
// valid content name, else the asset's key.
std::string KADAssetLeafName(const SoupHandle& config, const KUID& id);
// Category codes followed by the keywords as "#" tags ("TR;TV;LOCO;#fast").
std::string KADCategoryWithTags(const KADAssetRecord& record);
// Keeps the "#" tokens of a keyword text, without their "#", ";"-joined.
std::string KADKeywordsFromText(const std::string& text);
