// The search mirror: the filter columns of every row, flat and in id order, so a search never walks the row map.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "daemon/asset_record.h"
#include "kuid/kuid.h"

// What a search tests beyond the status bits, derived once per row.
enum KADSearchTrait : std::uint8_t {
    SearchTraitNoName = 1u << 0,
    SearchTraitHueshop = 1u << 1,  // kind starts "hueshop"
    SearchTraitScript = 1u << 2,
    SearchTraitFaulty = 1u << 3,  // KADAssetRecord::IsFaulty
};

std::uint8_t KADSearchTraitsOf(const KADAssetRecord& row);

// A text column as indices into its distinct values: a test of the text
// runs once per distinct value, not once per row.
struct KADTextColumn {
    std::vector<std::uint32_t> rows;
    std::vector<std::string> values;
};

struct KADSearchColumns {
    std::vector<KUID> ids;
    std::vector<std::uint32_t> flags;
    std::vector<std::uint8_t> traits;
    std::vector<std::int32_t> authorIds;
    std::vector<std::int32_t> ratings;
    std::vector<std::int64_t> installedTimes;
    std::vector<std::int64_t> modifiedTimes;
    KADTextColumn categories;  // with the "#" keyword tags, as category-list tests them
    KADTextColumn regions;
    KADTextColumn eras;
};

// Builds the columns from rows visited in id order.
class KADSearchColumnsBuilder {
public:
    explicit KADSearchColumnsBuilder(std::size_t rowCount);
    void Add(const KADAssetRecord& row);
    KADSearchColumns Take() { return std::move(columns); }

private:
    static void AddText(KADTextColumn& column, std::unordered_map<std::string, std::uint32_t>& known,
                        const std::string& text);

    KADSearchColumns columns;
    std::unordered_map<std::string, std::uint32_t> knownCategories;
    std::unordered_map<std::string, std::uint32_t> knownRegions;
    std::unordered_map<std::string, std::uint32_t> knownEras;
};
