// Library objects: stored properties in and out of streams, icon clicks, the icon removed with the object, and plug-ins named by the asset.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "foundation/streams/t_buffer.h"
#include "script/vm/call_script_method.h"
#include "script/vm/gs_string.h"
#include "scripthost/gso_asset.h"
#include "scripthost/native_objects.h"
#include "scripthost/world_list.h"
#include "library_test_support.h"
#include "scripthost/native_plugin.h"
#include "soup/binary_soup.h"

namespace {

// Remembers the icon calls the host's hooks receive.
class IconContext final : public KorvelScriptContext {
public:
    void SetSystemMenuIcon(GSOLibrary*, const KUID& asset, const Zel::PString& text, const Zel::PString&) override
    {
        calls += 1;
        lastAsset = asset;
        lastText = text.c_str();
    }
    void BlinkSystemMenuIcon(GSOLibrary*, int32_t count) override { blinks = count; }
    int calls = 0;
    KUID lastAsset;
    std::string lastText;
    int32_t blinks = 0;
};

// Calls a method (a native one too) of the library's script instance; the
// result slot (0 without one).
GSRuntime::Slot CallMethod(GSOLibrary& library, const char* signature, std::vector<GSRuntime::Slot> arguments)
{
    GSRuntime::GSScriptInstance* instance = library.Instance();
    GSRuntime::Slot result = GSRuntime::Slot::FromInt(0);
    EXPECT_TRUE(GSRuntime::CallScriptMethod(instance->cls, instance, signature, arguments, &result)) << signature;
    return result;
}

// A saved record: int32 0 and the soup.
void WriteRecord(TStream& stream, const SoupHandle& soup)
{
    stream.WriteInt32(0);
    WriteBinarySoup(stream, soup);
    stream.Rewind();
}

SoupHandle Properties(GSOLibrary& library)
{
    SoupHandle soup;
    EXPECT_TRUE(library.GetProperties(soup));
    return soup;
}

int32_t Tag(const SoupHandle& soup, const char* name)
{
    return soup.GetNamedTagAsInt(Zel::PString(name), -1);
}

using Libraries = LibraryTest::LibraryFixture;

TEST_F(Libraries, StoredPropertiesAreAppliedOnceWhetherLoadedBeforeOrAfterActivation)
{
    KorvelScriptContext context;
    SoupHandle saved;
    saved.SetNamedTagInt(Zel::PString("speed"), 12);

    GSOLibrary early(&context, MakeSpec());
    early.SetSource(LibraryTest::CountingLibrary);
    TBuffer record;
    WriteRecord(record, saved);
    early.Load(record);
    EXPECT_TRUE(early.HasStoredProperties());
    early.Activate();
    early.Activate();
    EXPECT_FALSE(early.HasStoredProperties());
    EXPECT_EQ(Tag(Properties(early), "applied"), 1);
    EXPECT_EQ(Tag(Properties(early), "speed"), 12);

    // What the first saves, a second takes after it has started.
    TBuffer out;
    early.Save(out);
    ASSERT_GT(out.DataLength(), 8);
    EXPECT_EQ(std::memcmp(out.Data(), "\0\0\0\0ACS$", 8), 0);
    out.Rewind();
    GSOLibrary late(&context, MakeSpec("", 101));
    late.SetSource(LibraryTest::CountingLibrary);
    late.Activate();
    late.Load(out);
    EXPECT_FALSE(late.HasStoredProperties());
    EXPECT_EQ(Tag(Properties(late), "applied"), 1);
    EXPECT_EQ(Tag(Properties(late), "speed"), 12);
}

TEST_F(Libraries, TheContextsWorldListCarriesLibraryProperties)
{
    KorvelScriptContext context;
    WorldList& list = context.GetWorldList();
    auto* counting = new GSOLibrary(&context, MakeSpec());
    counting->SetSource(LibraryTest::CountingLibrary);
    auto* silent = new GSOLibrary(&context, MakeSpec("", 101));
    silent->SetSource(LibraryTest::SilentLibrary);
    ASSERT_EQ(list.AddItem(counting), 0);
    ASSERT_EQ(list.AddItem(silent), 2);
    counting->Activate();
    silent->Activate();
    SoupHandle given;
    given.SetNamedTagInt(Zel::PString("speed"), 5);
    counting->SetPendingProperties(given);
    ASSERT_EQ(Tag(Properties(*counting), "applied"), 1);

    TBuffer stream;
    list.Save(stream, 1, 1);
    stream.Rewind();
    ASSERT_TRUE(list.Load(stream, false, 0));
    EXPECT_EQ(list.GetItem(0), counting);
    EXPECT_EQ(list.GetItem(2), silent);
    EXPECT_EQ(Tag(Properties(*counting), "applied"), 2);
    EXPECT_EQ(Tag(Properties(*counting), "speed"), 5);
    EXPECT_FALSE(silent->HasStoredProperties());
}

TEST_F(Libraries, NoPropertiesSaveNothingAndEmptyOnesAreNotStored)
{
    KorvelScriptContext context;
    GSOLibrary silent(&context, MakeSpec());
    silent.SetSource(LibraryTest::SilentLibrary);
    silent.Activate();
    ASSERT_FALSE(silent.HasFailed());
    TBuffer out;
    silent.Save(out);
    EXPECT_EQ(out.DataLength(), 0);
    SoupHandle none;
    EXPECT_FALSE(silent.GetProperties(none));

    TBuffer empty;
    WriteRecord(empty, SoupHandle());
    silent.Load(empty);
    EXPECT_FALSE(silent.HasStoredProperties());

    // A library that failed to start takes nothing from a stream.
    GSOLibrary failed(&context, MakeSpec("", 101));
    failed.SetSource("class CustomObject {};");
    failed.Activate();
    ASSERT_TRUE(failed.HasFailed());
    SoupHandle saved;
    saved.SetNamedTagInt(Zel::PString("speed"), 12);
    TBuffer record;
    WriteRecord(record, saved);
    failed.Load(record);
    EXPECT_FALSE(failed.HasStoredProperties());
    EXPECT_EQ(record.Tell(), 0);
}

TEST_F(Libraries, OnlyAClickOnTheLibrarysOwnIconReachesItsScript)
{
    KorvelScriptContext context;
    GSOLibrary library(&context, MakeSpec());
    library.SetSource(LibraryTest::CountingLibrary);
    library.Activate();
    const struct {
        uint32_t icon;
        const char* name;
        intptr_t id;
        int result;
        int clicks;
    } Cases[] = {
        {0, "click", 0, 1, 0}, {7, "click", 8, 1, 0}, {7, "clack", 7, 1, 0},
        {7, "click", 7, 0, 1}, {7, "click", 7, 0, 2},
    };
    for (const auto& row : Cases) {
        library.SetSystemMenuIconId(row.icon);
        EXPECT_EQ(library.ReceiveMessage(NuMessageData(Zel::PString(row.name), row.id)), row.result) << row.name;
        EXPECT_EQ(Tag(Properties(library), "clicks"), row.clicks);
    }
}

TEST_F(Libraries, DestroyingALibraryRemovesItsIcon)
{
    IconContext context;
    auto* library = new GSOLibrary(&context, MakeSpec());
    library->Activate();
    EXPECT_EQ(context.calls, 0);
    delete library;
    EXPECT_EQ(context.calls, 1);
    EXPECT_TRUE(context.lastAsset.IsNull());
    EXPECT_EQ(context.lastText, "");
}

TEST_F(Libraries, IconNativesReachTheContextsHooks)
{
    IconContext context;
    GSOLibrary library(&context, MakeSpec());
    library.Activate();
    GSOAsset* asset = MakeNativeObject<GSOAsset>(GSOAsset::ScriptClass(), &context, KUID(4242, 7, 0));
    ASSERT_NE(asset, nullptr);
    auto* text = new GSRuntime::GSString(&context, "menu text");
    CallMethod(library, "$void@Library::AddSystemMenuIcon(Asset,string,string)",
               {GSRuntime::Slot::FromPointer(asset->GetScriptInstance()),
                GSRuntime::Slot::FromPointer(text->GetScriptInstance()), GSRuntime::Slot::FromInt(0)});
    EXPECT_EQ(context.lastAsset, KUID(4242, 7, 0));
    EXPECT_EQ(context.lastText, "menu text");
    CallMethod(library, "$void@Library::BlinkSystemMenuIcon(int)", {GSRuntime::Slot::FromInt(3)});
    EXPECT_EQ(context.blinks, 3);
    CallMethod(library, "$void@Library::RemoveSystemMenuIcon()", {});
    EXPECT_TRUE(context.lastAsset.IsNull());
    EXPECT_EQ(context.lastText, "");
    EXPECT_EQ(context.calls, 2);
    GSRuntime::GSScriptInstance::Release(text->GetScriptInstance());
    GSRuntime::GSScriptInstance::Release(asset->GetScriptInstance());
}

TEST_F(Libraries, TheSpecsPlugInIsLoadedWithTheLibrary)
{
    const int64_t liveBefore = KNILiveObjects();
    {
        KorvelScriptContext context;
        const struct {
            const char* plugin;
            bool loaded;
        } Cases[] = {
            {"", false}, {"kni_test_plugin", true}, {"no_such_plugin", false}, {"kni_test_plugin_no_entry", false}};
        for (const auto& row : Cases) {
            GSOLibrary library(&context, MakeSpec(row.plugin));
            EXPECT_EQ(library.GetNativePlugin() != nullptr, row.loaded) << row.plugin;
        }
    }
    EXPECT_EQ(KNILiveObjects(), liveBefore);
}

}  // namespace
