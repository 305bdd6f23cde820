// The context's library look-up: one started object per spec, shared libraries from the parent, the locked list, failures and the log lines.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "foundation/streams/t_buffer.h"
#include "library_test_support.h"
#include "script/vm/script_log.h"
#include "support/script_log_lines.h"
#include "support/file_text.h"

namespace {

std::vector<std::string>& logged = ScriptLogLines::Lines();

// Finds its specs in a table instead of asking a daemon, and counts the
// libraries added to it.
class TableContext final : public KorvelScriptContext {
public:
    PemberlynxSpecRef FindLibrarySpec(const KUID& id) override
    {
        const auto found = specs.find(id);
        return found != specs.end() ? PemberlynxSpecRef(found->second) : PemberlynxSpecRef();
    }
    KorvelScriptContext* GetParentContext() override { return parent; }
    void OnLibraryAdded(GSOLibrary*) override { ++added; }

    std::map<KUID, GSOLibrarySpec*> specs;
    KorvelScriptContext* parent = nullptr;
    int added = 0;
};

class ContextLibraries : public LibraryTest::LibraryFixture {
protected:
    void SetUp() override
    {
        LibraryFixture::SetUp();
        logged.clear();
        GSLogCallback = ScriptLogLines::Keep;
    }
    void TearDown() override
    {
        GSLogCallback = nullptr;
        LibraryFixture::TearDown();
    }

    // A spec the context finds.
    GSOLibrarySpec* Register(TableContext& context, int32_t content, bool shared = false)
    {
        GSOLibrarySpec* spec = MakeSpec("", content, shared);
        context.specs[spec->GetKUID()] = spec;
        return spec;
    }
    GSOLibrary* Get(TableContext& context, int32_t content) { return context.GetScriptLibrary(KUID(4242, content, 0)); }
};

TEST_F(ContextLibraries, OneStartedLibraryPerSpec)
{
    TableContext context;
    Register(context, 1);
    Register(context, 2);
    GSOLibrary* first = Get(context, 1);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->IsActivated());
    EXPECT_FALSE(first->HasFailed());
    EXPECT_EQ(Get(context, 1), first);
    GSOLibrary* second = Get(context, 2);
    EXPECT_NE(second, first);
    EXPECT_EQ(context.added, 2);
    EXPECT_EQ(context.GetWorldList().CountItems(), 2);
    EXPECT_EQ(first->GetOwner(), &context.GetWorldList());
    EXPECT_TRUE(logged.empty());
}

TEST_F(ContextLibraries, LookUpsThatGiveNothingSayWhy)
{
    TableContext context;
    Register(context, 1);
    const struct {
        KUID id;
        std::string line;
    } Cases[] = {
        {KUID(), ""},
        {KUID(4242, 9, 0), "KorvelScriptContext::GetScriptLibrary> unable to find Library <kuid:4242:9>"},
    };
    for (const auto& row : Cases) {
        logged.clear();
        EXPECT_EQ(context.GetScriptLibrary(row.id), nullptr);
        EXPECT_EQ(logged.empty() ? "" : logged.back(), row.line);
    }

    // While the list is walked nothing new joins it; a listed one is found.
    GSOLibrary* listed = Get(context, 1);
    Register(context, 2);
    context.LockList();
    logged.clear();
    EXPECT_EQ(Get(context, 1), listed);
    EXPECT_EQ(Get(context, 2), nullptr);
    EXPECT_EQ(logged,
              std::vector<std::string>{"KorvelScriptContext::GetScriptLibrary> attempted while list is locked"});
    context.UnlockList();
    EXPECT_NE(Get(context, 2), nullptr);
}

TEST_F(ContextLibraries, ALibraryThatFailsToStartIsNotKept)
{
    TableContext context;
    GSOLibrarySpec* spec = Register(context, 3);
    // A config script whose class cannot be found.
    SoupHandle config = spec->GetConfig();
    config.SetNamedTag(Zel::PString("script"), "nowhere");
    config.SetNamedTag(Zel::PString("class"), "Nowhere");
    EXPECT_EQ(Get(context, 3), nullptr);
    EXPECT_EQ(context.GetWorldList().CountItems(), 0);
    EXPECT_EQ(logged.back(), "KorvelScriptContext::GetScriptLibrary> script failure on Library <kuid:4242:3>");
}

TEST_F(ContextLibraries, SharedLibrariesBelongToTheParent)
{
    TableContext parent;
    TableContext child;
    child.parent = &parent;
    GSOLibrarySpec* shared = Register(child, 4, true);
    parent.specs[shared->GetKUID()] = shared;
    Register(child, 5);
    GSOLibrary* fromParent = Get(child, 4);
    ASSERT_NE(fromParent, nullptr);
    EXPECT_EQ(fromParent->GetOwner(), &parent.GetWorldList());
    EXPECT_EQ(Get(parent, 4), fromParent);
    EXPECT_EQ(Get(child, 5)->GetOwner(), &child.GetWorldList());
    EXPECT_EQ(child.GetWorldList().CountItems(), 1);
}

TEST_F(ContextLibraries, ALoadedListHandsItsLibrariesTheirPropertiesWhenTheyStart)
{
    // The library's class comes from its asset's own script.
    GSOLibrarySpec* spec = MakeSpec("", 6);
    std::string source = LibraryTest::CountingLibrary;
    source.replace(source.find("CustomObject"), 12, "CountingLibrary");
    KorvelTest::WriteFileText(folder / "asset/counting.gs", source);
    SoupHandle config = spec->GetConfig();
    config.SetNamedTag(Zel::PString("script"), "counting");
    config.SetNamedTag(Zel::PString("class"), "CountingLibrary");

    TBuffer stream;
    {
        TableContext saving;
        saving.specs[spec->GetKUID()] = spec;
        GSOLibrary* library = Get(saving, 6);
        ASSERT_NE(library, nullptr);
        SoupHandle given;
        given.SetNamedTagInt(Zel::PString("speed"), 9);
        library->SetPendingProperties(given);
        saving.GetWorldList().Save(stream, 1, 1);
    }
    stream.Rewind();
    TableContext loading;
    loading.specs[spec->GetKUID()] = spec;
    ASSERT_TRUE(loading.GetWorldList().Load(stream, true, 0));
    auto* waiting = dynamic_cast<GSOLibrary*>(loading.GetWorldList().GetItem(0));
    ASSERT_NE(waiting, nullptr);
    EXPECT_FALSE(waiting->IsActivated());
    EXPECT_TRUE(waiting->HasStoredProperties());
    EXPECT_EQ(Get(loading, 6), waiting);
    SoupHandle properties;
    ASSERT_TRUE(waiting->GetProperties(properties));
    EXPECT_EQ(properties.GetNamedTagAsInt(Zel::PString("applied"), -1), 1);
    EXPECT_EQ(properties.GetNamedTagAsInt(Zel::PString("speed"), -1), 9);
}

}  // namespace
