// Search filters: the wire form against hand-written bytes, text forms, equality, and hostile trees.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "foundation/streams/t_buffer.h"
#include "assetdb/kad_filter_element.h"

namespace {

using Bytes = std::vector<uint8_t>;

// One group header with a child count, as a run of bytes.
void AppendGroupHeader(Bytes& bytes, uint8_t childCount)
{
    bytes.insert(bytes.end(), {'p', 'u', 'r', 'g', 1, 0, childCount, 0, 0, 0});
}

Bytes WireOf(const KADFilterElement* element)
{
    TBuffer buffer;
    WriteFilterElement(buffer, element);
    return Bytes(buffer.Data(), buffer.Data() + buffer.DataLength());
}

std::unique_ptr<KADFilterElement> ReadBytes(const Bytes& bytes)
{
    TBuffer buffer;
    buffer.Write(bytes.data(), int64_t(bytes.size()));
    buffer.Rewind();
    return std::unique_ptr<KADFilterElement>(ReadFilterElement(buffer));
}

TEST(KADFilterElement, NoFilterIsTheWordZeroAlone)
{
    EXPECT_EQ(WireOf(nullptr), (Bytes{0, 0, 0, 0}));
}

TEST(KADFilterElement, SearchByCategoryTreeMatchesHandWrittenBytes)
{
    KADFilterElementGroup group;
    group.AddElement(new KADFilterElementString(FilterStringCategoryList, Zel::PString("TR")));
    group.AddElement(new KADFilterElementBool(FilterBoolLocal));
    // "grup" goes out as "purg": the first letter is the most significant byte.
    Bytes expected = {'p', 'u', 'r', 'g', 1, 0,   2,   0, 0, 0,   'n', 'r', 't', 's', 1, 0, 0,
                      0,   3,   0,   0,   0, 'T', 'R', 0, 0, 'l', 'o', 'o', 'b', 0,   0, 0, 0};
    EXPECT_EQ(WireOf(&group), expected);
}

TEST(KADFilterElement, LeafBodiesMatchHandWrittenBytes)
{
    KADFilterElementInt interval(2, 5, 0xFFFFFFFFu, true, false);
    Bytes intBytes = {'e', 't', 'n', 'i', 2, 0, 0, 0, 5, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 1, 0};
    EXPECT_EQ(WireOf(&interval), intBytes);

    KADFilterElementTimestamp times(1, 0x100000002LL, -1, false, true);
    Bytes timeBytes = {'e', 'm', 'i', 't',  1,    0,    0,    0,    2,    0,    0,    0, 1,
                       0,   0,   0,   0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 1};
    EXPECT_EQ(WireOf(&times), timeBytes);

    KADFilterElementAssetID ids;
    ids.Insert(KUID(7, 9, 1));
    // A KUID in a stream: content, then (version << 25) | user.
    Bytes idBytes = {'t', 's', 's', 'a', 0, 0, 0, 0, 1, 0, 0, 0, 9, 0, 0, 0, 7, 0, 0, 2};
    EXPECT_EQ(WireOf(&ids), idBytes);
}

TEST(KADFilterElement, WireFormReadsBackToAnEqualTree)
{
    KADFilterElementGroup group;
    group.AddElement(new KADFilterElementString(FilterStringAssetName, Zel::PString("\"Big Boy\"")));
    group.AddNegatedGroup(new KADFilterElementBool(FilterBoolObsolete));
    group.AddElement(new KADFilterElementInt(0, 4, 5, true, true));
    auto ids = new KADFilterElementAssetID();
    ids->Insert(KUID(1, 2, 0));
    ids->Insert(KUID(-3, 4, 127));
    group.AddElement(ids);
    group.AddElement(new KADFilterElementTimestamp(0, 10, 20, false, false));

    std::unique_ptr<KADFilterElement> read = ReadBytes(WireOf(&group));
    ASSERT_NE(read, nullptr);
    EXPECT_TRUE(read->Equals(group));
    EXPECT_TRUE(group.Equals(*read));
    EXPECT_EQ(WireOf(read.get()), WireOf(&group));
}

TEST(KADFilterElement, QuotedAssetNameLosesItsQuotesAndMatchesExactly)
{
    KADFilterElementString quoted(FilterStringAssetName, Zel::PString("\"Big\""));
    EXPECT_STREQ(quoted.GetValueText().c_str(), "Big");
    EXPECT_TRUE(quoted.ExactMatch());

    KADFilterElementString lone(FilterStringAssetName, Zel::PString("\""));
    EXPECT_STREQ(lone.GetValueText().c_str(), "\"");
    EXPECT_FALSE(lone.ExactMatch());

    // Only the asset name is unquoted.
    KADFilterElementString category(FilterStringCategoryList, Zel::PString("\"TR\""));
    EXPECT_STREQ(category.GetValueText().c_str(), "\"TR\"");
    EXPECT_FALSE(category.ExactMatch());
}

TEST(KADFilterElement, KeyNamesAndTextForms)
{
    struct Case {
        std::unique_ptr<KADFilterElement> element;
        const char* key;
        const char* value;
    };
    auto ids = std::make_unique<KADFilterElementAssetID>(1);
    ids->Insert(KUID(2, 3, 0));
    ids->Insert(KUID(1, 5, 4));
    auto group = std::make_unique<KADFilterElementGroup>(new KADFilterElementBool(FilterBoolFaulty));
    group->AddElement(new KADFilterElementString(FilterStringRegionList, Zel::PString("US")));
    Case cases[] = {
        {std::make_unique<KADFilterElementBool>(18), "has-script-source", "true"},
        {std::make_unique<KADFilterElementBool>(19), "unknown", "true"},
        {std::make_unique<KADFilterElementBool>(-1), "unknown", "true"},
        {std::make_unique<KADFilterElementString>(5, Zel::PString("x")), "unknown", "x"},
        {std::make_unique<KADFilterElementInt>(0, 1, 5, false, true), "local-rating", "(1,5]"},
        {std::make_unique<KADFilterElementInt>(2, 0xFFFFFFFFu, 3, true, false), "version", "[-1,3)"},
        {std::make_unique<KADFilterElementTimestamp>(1, 0x500000007LL, 9, true, true), "modification-timestamp",
         "[7,9]"},
        {std::move(ids), "profile-map", "(<kuid2:1:5:4>,<kuid:2:3>,)"},
        {std::move(group), "group", "(faulty:trueregion-list:US)"},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(c.element->GetKeyName().c_str(), c.key);
        EXPECT_STREQ(c.element->GetValueText().c_str(), c.value) << c.key;
    }
}

TEST(KADFilterElement, EqualityFollowsKeyAndValueTextAndGroupOrder)
{
    KADFilterElementInt open(0, 1, 5, false, true);
    KADFilterElementInt closed(0, 1, 5, true, true);
    EXPECT_FALSE(open.Equals(closed));
    EXPECT_TRUE(open.Equals(KADFilterElementInt(0, 1, 5, false, true)));

    KADFilterElementGroup ab;
    ab.AddElement(new KADFilterElementBool(FilterBoolLocal));
    ab.AddElement(new KADFilterElementBool(FilterBoolFaulty));
    KADFilterElementGroup ba;
    ba.AddElement(new KADFilterElementBool(FilterBoolFaulty));
    ba.AddElement(new KADFilterElementBool(FilterBoolLocal));
    EXPECT_FALSE(ab.Equals(ba));

    KADFilterElementGroup negated;
    negated.AddElement(new KADFilterElementBool(FilterBoolLocal));
    negated.AddElement(new KADFilterElementBool(FilterBoolFaulty));
    EXPECT_TRUE(ab.Equals(negated));
    negated.SetNegated(true);
    EXPECT_FALSE(ab.Equals(negated));
    // A leaf is never equal to a group, whatever the texts.
    EXPECT_FALSE(ab.Equals(KADFilterElementBool(FilterBoolLocal)));
}

TEST(KADFilterElement, CreateKnowsTheSixCodesAndTheirDefaults)
{
    for (int32_t code : {0, 1, 0x67727571, -1})
        EXPECT_EQ(CreateFilterElement(code), nullptr) << code;
    std::unique_ptr<KADFilterElement> boolean(CreateFilterElement(FilterTypeBool));
    EXPECT_STREQ(boolean->GetKeyName().c_str(), "locally-available");
    std::unique_ptr<KADFilterElement> interval(CreateFilterElement(FilterTypeInt));
    EXPECT_STREQ(interval->GetKeyName().c_str(), "author");
    EXPECT_STREQ(interval->GetValueText().c_str(), "(0,0)");
    std::unique_ptr<KADFilterElement> group(CreateFilterElement(FilterTypeGroup));
    EXPECT_STREQ(group->GetValueText().c_str(), "()");
}

TEST(KADFilterElement, HostileTreesFailOrStopWithoutAllocatingAhead)
{
    // An unknown child code fails the whole tree.
    Bytes unknownChild = {'p', 'u', 'r', 'g', 1, 0, 2, 0, 0, 0, 'l', 'o', 'o', 'b', 0, 0, 0, 0, 'x', 'x', 'x', 'x'};
    EXPECT_EQ(ReadBytes(unknownChild), nullptr);
    EXPECT_EQ(ReadBytes(Bytes{0, 0, 0, 0}), nullptr);
    EXPECT_EQ(ReadBytes(Bytes{}), nullptr);

    // A child count of two billion with no children behind it.
    Bytes hugeGroup = {'p', 'u', 'r', 'g', 1, 0, 0xFF, 0xFF, 0xFF, 0x7F};
    EXPECT_EQ(ReadBytes(hugeGroup), nullptr);

    // An id count of two billion with one id behind it keeps that one.
    Bytes hugeIds = {'t', 's', 's', 'a', 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 9, 0, 0, 0, 7, 0, 0, 2};
    std::unique_ptr<KADFilterElement> ids = ReadBytes(hugeIds);
    ASSERT_NE(ids, nullptr);
    EXPECT_EQ(static_cast<KADFilterElementAssetID&>(*ids).Ids().size(), 1u);

    // Nesting deeper than the limit is refused instead of exhausting the stack.
    Bytes deep;
    for (int i = 0; i < 100000; ++i)
        AppendGroupHeader(deep, 1);
    EXPECT_EQ(ReadBytes(deep), nullptr);

    Bytes allowed;
    for (int i = 0; i < KADFilterElementGroup::MaximumDepth - 1; ++i)
        AppendGroupHeader(allowed, 1);
    AppendGroupHeader(allowed, 0);
    EXPECT_NE(ReadBytes(allowed), nullptr);
}

}  // namespace
