// The search mirror: the filter columns of every row, flat and in id order, so a search never walks the row map.
#include "daemon/asset_store_columns.h"

#include "daemon/asset_store_metadata.h"

KADSearchColumnsBuilder::KADSearchColumnsBuilder(std::size_t rowCount)
{
    columns.ids.reserve(rowCount);
    columns.flags.reserve(rowCount);
    columns.traits.reserve(rowCount);
    columns.authorIds.reserve(rowCount);
    columns.ratings.reserve(rowCount);
    columns.installedTimes.reserve(rowCount);
    columns.modifiedTimes.reserve(rowCount);
    for (KADTextColumn* text : {&columns.categories, &columns.regions, &columns.eras})
        text->rows.reserve(rowCount);
}

void KADSearchColumnsBuilder::AddText(KADTextColumn& column, std::unordered_map<std::string, std::uint32_t>& known,
                                      const std::string& text)
{
    auto [at, added] = known.emplace(text, static_cast<std::uint32_t>(column.values.size()));
    if (added)
        column.values.push_back(text);
    column.rows.push_back(at->second);
}

std::uint8_t KADSearchTraitsOf(const KADAssetRecord& row)
{
    std::uint8_t traits = 0;
    if (row.name.empty())
        traits |= SearchTraitNoName;
    if (row.kind.rfind("hueshop", 0) == 0)
        traits |= SearchTraitHueshop;
    if (row.hasScript)
        traits |= SearchTraitScript;
    if (row.IsFaulty())
        traits |= SearchTraitFaulty;
    return traits;
}

void KADSearchColumnsBuilder::Add(const KADAssetRecord& row)
{
    columns.ids.push_back(row.id);
    columns.flags.push_back(row.flags);
    columns.traits.push_back(KADSearchTraitsOf(row));
    columns.authorIds.push_back(row.authorId);
    columns.ratings.push_back(row.rating);
    columns.installedTimes.push_back(row.installedTime);
    columns.modifiedTimes.push_back(row.modifiedTime);
    // The tags only when there are keywords: most rows have none.
    AddText(columns.categories, knownCategories, row.keywords.empty() ? row.category : KADCategoryWithTags(row));
    AddText(columns.regions, knownRegions, row.region);
    AddText(columns.eras, knownEras, row.era);
}
