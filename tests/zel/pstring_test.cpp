// Interning identity, edits, ordering and thread safety of PString.
#include <gtest/gtest.h>

#include <cstdlib>

#include <set>
#include <string>
#include <thread>
#include <vector>

#include "zel/pstring.h"

using Zel::PString;
using Zel::PStringCache;

TEST(PStringTest, EqualTextsShareOneNode)
{
    PString a("Locomotive");
    PString b = PStringCache::Create("Locomotive");
    std::string built = std::string("Loco") + "motive";
    PString c(built);
    EXPECT_EQ(a.Node(), b.Node());
    EXPECT_EQ(a.Node(), c.Node());
    EXPECT_NE(a.Node(), PString("locomotive").Node());
}

TEST(PStringTest, NullHandleReadsAsEmpty)
{
    PString null;
    EXPECT_TRUE(null.IsNull());
    EXPECT_STREQ(null.c_str(), "");
    EXPECT_EQ(null.Length(), 0u);
    PString empty("");
    EXPECT_FALSE(empty.IsNull());
    EXPECT_TRUE(null == empty);
    EXPECT_EQ(std::hash<PString>()(null), std::hash<PString>()(empty));
    EXPECT_TRUE(PString(static_cast<const char*>(nullptr)).IsNull());
}

TEST(PStringTest, CaseEditsAreAsciiOnlyAndReturnNewNodes)
{
    PString mixed("AbC\xC4\xe4z");
    PString lower = PStringCache::ToLower(mixed);
    PString upper = mixed.ToUpper();
    EXPECT_STREQ(lower.c_str(), "abc\xC4\xe4z");
    EXPECT_STREQ(upper.c_str(), "ABC\xC4\xe4Z");
    EXPECT_STREQ(mixed.c_str(), "AbC\xC4\xe4z");
    EXPECT_EQ(lower.Node(), PString("abc\xC4\xe4z").Node());
}

TEST(PStringTest, MakeLowerCaseReplacesInPlace)
{
    PString name("KUID-Table");
    EXPECT_TRUE(PString::MakeLowerCase(name));
    EXPECT_EQ(name.Node(), PString("kuid-table").Node());
    PString null;
    EXPECT_TRUE(PString::MakeLowerCase(null));
    EXPECT_TRUE(null.IsNull());
}

TEST(PStringTest, InsAndDelClampPositions)
{
    PString base("config.txt");
    EXPECT_STREQ(PStringCache::Ins(base, 6, "-old").c_str(), "config-old.txt");
    EXPECT_STREQ(PStringCache::Ins(base, 99, "!").c_str(), "config.txt!");
    EXPECT_STREQ(PStringCache::Del(base, 6, 99).c_str(), "config");
    EXPECT_STREQ(PStringCache::Del(base, 99, 1).c_str(), "config.txt");
}

TEST(PStringTest, OrderIsBytewiseUnsigned)
{
    struct Case {
        const char* a;
        const char* b;
        int sign;
    } cases[] = {
        {"a", "b", -1}, {"B", "a", -1}, {"abc", "ab", 1}, {"", "a", -1}, {"\xE9", "z", 1}, {"same", "same", 0},
    };
    for (const Case& c : cases) {
        PString a(c.a), b(c.b);
        EXPECT_EQ(a.Compare(b), c.sign) << c.a << " vs " << c.b;
        EXPECT_EQ(a < b, c.sign < 0) << c.a << " vs " << c.b;
    }
    std::set<PString> sorted = {PString("zeta"), PString("Alpha"), PString("\xC3\xA9t\xC3\xA9"), PString("beta")};
    std::vector<std::string> order;
    for (const PString& s : sorted)
        order.emplace_back(s.c_str());
    EXPECT_EQ(order, (std::vector<std::string>{"Alpha", "beta", "zeta", "\xC3\xA9t\xC3\xA9"}));
}

TEST(PStringTest, CollectGarbageFreesOnlyUnreferencedNodes)
{
    PStringCache::CollectGarbage();
    size_t before = PStringCache::Count();
    {
        PString kept("gc-kept-name");
        {
            PString dropped("gc-dropped-name");
        }
        EXPECT_EQ(PStringCache::Count(), before + 2);
        PStringCache::CollectGarbage();
        EXPECT_STREQ(kept.c_str(), "gc-kept-name");
        EXPECT_EQ(kept.Node(), PString("gc-kept-name").Node());
        EXPECT_EQ(PStringCache::Count(), before + 1);
    }
    PStringCache::CollectGarbage();
    EXPECT_EQ(PStringCache::Count(), before);
}

// In a child process: the flag lasts for the rest of the process.
TEST(PStringDeathTest, AfterStopCollectingACollectionFreesNothing)
{
    EXPECT_EXIT(
        {
            { PString dropped("gc-never-freed-name"); }
            size_t before = PStringCache::Count();
            PStringCache::StopCollecting();
            bool keptAll = PStringCache::CollectGarbage() == 0 && PStringCache::Count() == before;
            std::exit(keptAll ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

// Collection walks only shards where some count reached 0: every way a
// handle lets go of its node must make the next collection free it, also
// after a collection that found nothing and after the node came back.
TEST(PStringTest, CollectGarbageFreesNodesHowEverTheirLastHandleWentAway)
{
    struct Case {
        const char* how;
        void (*drop)(PString& handle);
    };
    const Case cases[] = {
        {"release", [](PString& handle) { handle.Release(); }},
        {"destroy", [](PString& handle) { PStringCache::Destroy(handle); }},
        {"copy over", [](PString& handle) { handle = PString("gc-other-name"); }},
        {"assign text", [](PString& handle) { handle = "gc-other-name"; }},
        {"move over", [](PString& handle) {
             PString other("gc-other-name");
             handle = std::move(other);
         }},
        {"destructor", [](PString& handle) { PString gone(std::move(handle)); }},
    };
    PString other("gc-other-name");
    for (const Case& c : cases) {
        PStringCache::CollectGarbage();
        const size_t before = PStringCache::Count();
        for (int round = 0; round < 2; ++round) {
            PString handle(("gc-" + std::string(c.how)).c_str());
            EXPECT_EQ(PStringCache::Count(), before + 1) << c.how;
            PStringCache::CollectGarbage();  // nothing to free: the handle holds it
            EXPECT_EQ(PStringCache::Count(), before + 1) << c.how;
            c.drop(handle);
            EXPECT_EQ(PStringCache::CollectGarbage(), 1u) << c.how << ", round " << round;
            EXPECT_EQ(PStringCache::Count(), before) << c.how << ", round " << round;
        }
    }
}

TEST(PStringTest, CopiesAndAssignmentsKeepCounts)
{
    PString a("count-me");
    const Zel::PStringNode* node = a.Node();
    int32_t base = node->references.load();
    {
        PString b = a;
        PString c;
        c = b;
        c = c;
        EXPECT_EQ(node->references.load(), base + 2);
        PString d(std::move(c));
        EXPECT_TRUE(c.IsNull());
        EXPECT_EQ(node->references.load(), base + 2);
    }
    EXPECT_EQ(node->references.load(), base);
    a = "something-else";
    EXPECT_EQ(node->references.load(), base - 1);
}

TEST(PStringTest, ConcurrentInterningGivesOneNodePerText)
{
    constexpr int kThreads = 4;
    constexpr int kNames = 2000;
    std::vector<std::vector<const Zel::PStringNode*>> seen(kThreads);
    // Held until every thread is done, so garbage collection running
    // meanwhile may free nothing that a thread has seen.
    std::vector<std::vector<PString>> held(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &seen, &held] {
            for (int round = 0; round < 3; ++round) {
                for (int i = 0; i < kNames; ++i) {
                    PString name(("concurrent-" + std::to_string(i)).c_str());
                    if (round == 0)
                        held[t].push_back(name);
                    if (round == 2)
                        seen[t].push_back(name.Node());
                    if (i % 97 == 0)
                        PStringCache::CollectGarbage();
                }
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (int t = 1; t < kThreads; ++t)
        EXPECT_EQ(seen[t], seen[0]);
    std::set<const Zel::PStringNode*> distinct(seen[0].begin(), seen[0].end());
    EXPECT_EQ(distinct.size(), static_cast<size_t>(kNames));
}
