// Searches answered from the search mirror agree with the rows for every kind of filter, and see every change.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "foundation/streams/t_buffer.h"
#include "assetdb/kad_filter_element.h"
#include "daemon/asset_store.h"
#include "daemon/search_filter.h"

namespace {

const char* const Categories[] = {"TR;TV;LOC;DIES", "TR;TV;FRT", "BD;IND", "SY;SCEN", "", "RT"};
const char* const Regions[] = {"DE", "US", "GB;FR", ""};

KADAssetRecord Row(int index)
{
    KADAssetRecord row;
    row.id = KUID(100 + index % 7, index / 3, index % 3);
    row.flags = static_cast<std::uint32_t>(index * 2654435761u) & 0xfff;
    row.name = index % 11 == 0 ? std::string() : "Asset " + std::to_string(index);
    row.kind = index % 13 == 0 ? "hueshop-loco" : "traincar";
    row.category = Categories[index % 6];
    row.keywords = index % 5 == 0 ? "fast;red" : "";
    row.region = Regions[index % 4];
    row.era = index % 2 == 0 ? "1950s" : "1990s;2000s";
    row.authorId = 100 + index % 7;
    row.rating = index % 4 == 0 ? 255 : index % 6;
    row.installedTime = 1700000000 + index;
    row.modifiedTime = 1700000000 + 2 * index;
    row.hasScript = index % 3 == 0;
    return row;
}

// Reads a tree from its wire bytes, after the edit (flag bytes of a group).
std::unique_ptr<KADFilterElement> Rewritten(const KADFilterElement& element, std::size_t at, std::uint8_t value)
{
    TBuffer buffer;
    WriteFilterElement(buffer, &element);
    std::vector<std::uint8_t> bytes(buffer.Data(), buffer.Data() + buffer.DataLength());
    bytes[at] = value;
    TBuffer edited;
    edited.WriteBytes(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    edited.Rewind();
    return std::unique_ptr<KADFilterElement>(ReadFilterElement(edited));
}

std::unique_ptr<KADFilterElement> Group(std::vector<KADFilterElement*> children, bool all, bool negate)
{
    KADFilterElementGroup group;
    for (KADFilterElement* child : children)
        group.AddElement(child);
    group.SetNegated(negate);
    // Byte 4 is the group flag: 1 AND, 0 OR.
    return Rewritten(group, 4, all ? 1 : 0);
}

std::vector<std::unique_ptr<KADFilterElement>> Filters()
{
    std::vector<std::unique_ptr<KADFilterElement>> filters;
    for (std::int32_t key = 0; key <= 5; ++key) {
        for (const char* value : {"TR;TV", "#fast", "DE", "1990s", "", "Asset 1", "fast;red", "!SCEN"})
            filters.push_back(std::make_unique<KADFilterElementString>(key, Zel::PString(value)));
    }
    for (std::int32_t key = 0; key <= 19; ++key)
        filters.push_back(std::make_unique<KADFilterElementBool>(key));
    for (std::int32_t key = 0; key <= 3; ++key) {
        filters.push_back(std::make_unique<KADFilterElementInt>(key, 102, 104, true, false));
        filters.push_back(std::make_unique<KADFilterElementInt>(key, 0, 2, false, true));
    }
    for (std::int32_t key = 0; key <= 2; ++key)
        filters.push_back(std::make_unique<KADFilterElementTimestamp>(key, 1700000100, 1700000300, true, true));
    for (std::int32_t key = 0; key <= 1; ++key) {
        auto ids = std::make_unique<KADFilterElementAssetID>(key);
        ids->Insert(Row(10).id);
        ids->Insert(Row(200).id);
        ids->Insert(KUID(9, 9, 9));
        filters.push_back(std::move(ids));
    }
    for (bool all : {true, false}) {
        for (bool negate : {true, false}) {
            filters.push_back(
                Group({new KADFilterElementString(FilterStringCategoryList, Zel::PString("TR")),
                       new KADFilterElementBool(FilterBoolLocal), new KADFilterElementInt(1, 101, 103, true, true)},
                      all, negate));
            // Nested, with a test only the rows hold.
            filters.push_back(Group({new KADFilterElementString(FilterStringRegionList, Zel::PString("US")),
                                     new KADFilterElementString(FilterStringAssetName, Zel::PString("Asset 2"))},
                                    all, negate));
            filters.push_back(Group({}, all, negate));
        }
    }
    return filters;
}

TEST(SearchColumns, EveryFilterAgreesWithTheRowsAndSeesEveryChange)
{
    KADAssetStore store;
    for (int i = 0; i < 400; ++i)
        store.PutInMirror(Row(i));
    std::vector<std::unique_ptr<KADFilterElement>> filters = Filters();
    auto expectAgreement = [&](const char* when) {
        EXPECT_EQ(KADSearchAssets(store, nullptr), KADSearchAssetRows(store, nullptr)) << when;
        for (std::size_t i = 0; i < filters.size(); ++i) {
            EXPECT_EQ(KADSearchAssets(store, filters[i].get()), KADSearchAssetRows(store, filters[i].get()))
                << when << ": filter " << i;
        }
    };
    expectAgreement("loaded");
    // Changes after a search: the mirror is rebuilt before the next one.
    store.DropFromMirror(Row(10).id);
    KADAssetRecord changed = Row(11);
    changed.category = "TR;TV";
    changed.authorId = 102;
    store.PutInMirror(changed);
    store.PutInMirror(Row(1000));
    expectAgreement("changed");
    KADFilterElementInt author(1, 102, 102, true, true);
    std::vector<KUID> found = KADSearchAssets(store, &author);
    EXPECT_NE(std::find(found.begin(), found.end(), changed.id), found.end());
}

}  // namespace
