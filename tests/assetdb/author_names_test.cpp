// AuthorNameCache: fixed names without a request, one request per id, lower-cased names, failed lookups retried.
#include <gtest/gtest.h>

#include <vector>

#include "assetdb/author_names.h"

namespace {

// A lookup standing in for GetAuthorName: records each asked id.
struct FakeLookup {
    std::vector<int32_t> asked;
    bool succeeds = true;
    const char* name = "MixedCase Author";

    AuthorNameCache::Lookup Function()
    {
        return [this](int32_t userId, int32_t& daemonId, Zel::PString& out) {
            asked.push_back(userId);
            if (!succeeds)
                return false;
            daemonId = userId;
            out = Zel::PString(name);
            return true;
        };
    }
};

std::string NameOf(AuthorNameCache& cache, int32_t userId, int32_t* daemonId = nullptr)
{
    int32_t id = 99;
    Zel::PString name;
    EXPECT_TRUE(cache.GetName(userId, id, name));
    if (daemonId)
        *daemonId = id;
    return name.c_str();
}

TEST(AuthorNameCache, FixedIdsNeedNoRequest)
{
    FakeLookup lookup;
    AuthorNameCache cache(lookup.Function());
    struct Case {
        int32_t userId;
        const char* name;
    } cases[] = {{0, "-"},         {-2, "unknown"}, {-5, "Quelm"},    {-1, "Quelm"},
                 {30501, "Quelm"}, {523, "Quelm"},  {467400, "Quelm"}};
    for (const Case& c : cases) {
        int32_t daemonId = 0;
        EXPECT_EQ(NameOf(cache, c.userId, &daemonId), c.name) << c.userId;
        EXPECT_EQ(daemonId, -1);
    }
    EXPECT_TRUE(lookup.asked.empty());
}

TEST(AuthorNameCache, AsksOnceAndLowerCasesTheName)
{
    FakeLookup lookup;
    AuthorNameCache cache(lookup.Function());
    int32_t daemonId = 0;
    EXPECT_EQ(NameOf(cache, 1234, &daemonId), "mixedcase author");
    EXPECT_EQ(daemonId, 1234);
    EXPECT_EQ(NameOf(cache, 1234), "mixedcase author");
    EXPECT_EQ(lookup.asked, std::vector<int32_t>{1234});
}

TEST(AuthorNameCache, FailedLookupStoresNothingAndIsAskedAgain)
{
    FakeLookup lookup;
    lookup.succeeds = false;
    AuthorNameCache cache(lookup.Function());
    int32_t daemonId = 0;
    EXPECT_EQ(NameOf(cache, 77, &daemonId), "");
    EXPECT_EQ(daemonId, -1);
    lookup.succeeds = true;
    EXPECT_EQ(NameOf(cache, 77), "mixedcase author");
    EXPECT_EQ(lookup.asked, (std::vector<int32_t>{77, 77}));
}

TEST(AuthorNameCache, AddRefusesEmptyAndReplacesMappings)
{
    FakeLookup lookup;
    AuthorNameCache cache(lookup.Function());
    EXPECT_FALSE(cache.Add(-1, Zel::PString(""), 5));
    EXPECT_TRUE(cache.Add(-1, Zel::PString("Somebody"), 5));
    EXPECT_EQ(NameOf(cache, 5), "somebody");
    EXPECT_TRUE(cache.Add(8, Zel::PString("Other"), 5));
    EXPECT_EQ(NameOf(cache, 5), "other");
    cache.Clear();
    EXPECT_EQ(NameOf(cache, 5), "mixedcase author");
    EXPECT_EQ(lookup.asked, std::vector<int32_t>{5});
}

}  // namespace
