// OnlineAccess objects against a real daemon and a raw service peer on loopback: local data, the post budget, status and message notifications, the offline boxes and the message cache file.
#include <gtest/gtest.h>

#include "foundation/streams/t_buffer.h"
#include "online_access_test_support.h"
#include "scripthost/gso_soup.h"
#include "scripthost/native_objects.h"
#include "scripthost/unavailable_native.h"
#include "scripthost/world_list_item.h"
#include "script/vm/gs_machine.h"
#include "script/vm/native_function.h"
#include "soup/binary_soup.h"

namespace {

using namespace OnlineTests;
using GSRuntime::Slot;
using KorvelTest::Datagram;
using KorvelTest::Wire;

// Hears the script messages the object sends itself through its router.
class RecordingOnlineAccess : public GSOOnlineAccess {
public:
    using GSOOnlineAccess::GSOOnlineAccess;
    using GSOOnlineAccess::ReceiveMessage;
    bool ReceiveMessage(const GSRuntime::GSMessage& message) override
    {
        heard.push_back(HeardName(RouterOf(), message));
        return GSGameObject::ReceiveMessage(message);
    }
    std::vector<std::string> heard;
};

// A service packet carrying a user message in the versioned form to the asset.
Datagram UserMessagePacket(const KUID& to, const char* text, std::int32_t flag)
{
    std::unique_ptr<OnlineAccessVersionedMessage> message = Versioned(text, flag);
    message->assetId = to;
    TBuffer buffer;
    WriteVersionedForm(*message, buffer);
    return Wire().U8(11).Raw(Datagram(buffer.Data(), buffer.Data() + buffer.DataLength())).bytes;
}

class OnlineAccessObjectTest : public OnlineServiceTest {};

}  // namespace

TEST_F(OnlineAccessObjectTest, LocalDataIsKeptByTheDaemonUnderTheLowerCasedName)
{
    InstallLibrary();
    KorvelScriptContext context;
    GSOOnlineAccess* access = GSOOnlineAccess::GetOrCreate(Library, &context);
    ASSERT_NE(access, nullptr);
    GSOSoup* in = GSOSoup::MakeWritable(&context);
    in->Soup().SetNamedTag(Zel::PString("points"), "42");
    EXPECT_EQ(Call(access, &GSOOnlineAccess::NativeSetLocalData, {Handle(Text(context, "HighScore")), Handle(in)}), 0);

    GSOSoup* out = GSOSoup::MakeWritable(&context);
    out->Soup().SetNamedTag(Zel::PString("stale"), "1");
    EXPECT_EQ(Call(access, &GSOOnlineAccess::NativeGetLocalData, {Handle(Text(context, "highscore")), Handle(out)}), 0);
    EXPECT_EQ(out->Soup().CountTags(), 1);
    EXPECT_STREQ(out->Soup().GetNamedTag(Zel::PString("points")).c_str(), "42");
    // A name with nothing stored empties the soup.
    EXPECT_EQ(Call(access, &GSOOnlineAccess::NativeGetLocalData, {Handle(Text(context, "none")), Handle(out)}), 0);
    EXPECT_EQ(out->Soup().CountTags(), 0);

    struct Case {
        const char* rule;
        bool (GSOOnlineAccess::*native)(GSRuntime::GSStack&);
        GSRuntime::GSObjectReference* name;
        GSRuntime::GSObjectReference* soup;
    };
    GSOSoup* locked = GSOSoup::MakeLocked(&context, in->Soup());
    const Case refused[] = {
        {"locked soup", &GSOOnlineAccess::NativeGetLocalData, Text(context, "highscore"), locked},
        {"empty name", &GSOOnlineAccess::NativeGetLocalData, Text(context, ""), out},
        {"empty name", &GSOOnlineAccess::NativeSetLocalData, Text(context, ""), in},
        {"no soup", &GSOOnlineAccess::NativeSetLocalData, Text(context, "highscore"), nullptr},
    };
    for (const Case& row : refused) {
        SCOPED_TRACE(row.rule);
        EXPECT_EQ(Call(access, row.native, {Handle(row.name), Handle(row.soup)}), std::nullopt);
    }
    EXPECT_EQ(locked->Soup().CountTags(), 1);

    // Another context's object of another version of the asset sees the same data.
    KorvelScriptContext other;
    GSOOnlineAccess* again = GSOOnlineAccess::GetOrCreate(KUID(1234, 300, 7), &other);
    GSOSoup* seen = GSOSoup::MakeWritable(&other);
    EXPECT_EQ(Call(again, &GSOOnlineAccess::NativeGetLocalData, {Handle(Text(other, "HIGHSCORE")), Handle(seen)}), 0);
    EXPECT_STREQ(seen->Soup().GetNamedTag(Zel::PString("points")).c_str(), "42");
}

TEST_F(OnlineAccessObjectTest, ObjectsAreSharedPerContextUserAndContent)
{
    KorvelScriptContext first;
    KorvelScriptContext second;
    GSOOnlineAccess* a = GSOOnlineAccess::GetOrCreate(KUID(5, 6, 1), &first);
    GSOOnlineAccess* b = GSOOnlineAccess::GetOrCreate(KUID(5, 6, 9), &first);
    GSOOnlineAccess* c = GSOOnlineAccess::GetOrCreate(KUID(5, 6, 1), &second);
    GSOOnlineAccess* d = GSOOnlineAccess::GetOrCreate(KUID(5, 7, 1), &first);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
    EXPECT_NE(a, d);
    EXPECT_EQ(GSOOnlineAccess::LiveCount(), 3u);
}

TEST_F(OnlineAccessObjectTest, SixtyOnePostsRunAndTheNextWaitsUntilTheBudgetDecaysToSixty)
{
    KorvelScriptContext context;
    GSOOnlineAccess* access = GSOOnlineAccess::GetOrCreate(Stranger, &context);
    GSOSoup* soup = GSOSoup::MakeWritable(&context);
    GSRuntime::GSString* friendName = Text(context, "friend");
    auto post = [&] { return Call(access, &GSOOnlineAccess::NativePostMessage, {Handle(friendName), Handle(soup)}); };
    for (int i = 0; i < 61; ++i)
        ASSERT_EQ(post(), OnlinePostNotConnected) << i;
    EXPECT_EQ(post(), GSOOnlineAccess::OverBudget);
    access->Process(0.5f);
    EXPECT_EQ(post(), GSOOnlineAccess::OverBudget);
    access->Process(0.5f);
    EXPECT_FLOAT_EQ(access->Budget(), 60.0f);
    EXPECT_EQ(post(), OnlinePostNotConnected);
    EXPECT_EQ(post(), GSOOnlineAccess::OverBudget);
    // An empty recipient is an argument error once the budget allows posting.
    access->Process(10.0f);
    EXPECT_EQ(Call(access, &GSOOnlineAccess::NativePostMessage, {Handle(Text(context, "")), Handle(soup)}),
              std::nullopt);
}

TEST_F(OnlineAccessObjectTest, StatusChangesAndMessagesReachTheScriptObjectAndAreCollected)
{
    KorvelScriptContext context;
    auto* access = MakeNativeObject<RecordingOnlineAccess>(GSOOnlineAccess::ScriptClass(), &context, Stranger);
    ASSERT_NE(access, nullptr);
    context.Router()->AddNode(access);
    // As a script handler on the object would.
    ASSERT_TRUE(access->Subscribe(context.Router()->InternName("OnlineAccess")));
    access->Process(0.1f);
    EXPECT_EQ(access->heard, (std::vector<std::string>{"OnlineAccess/StatusChange"}));
    EXPECT_EQ(Call(access, &GSOOnlineAccess::NativeGetStatus), OnlineDisconnected);

    SetAccount("driver", "ticket-1");
    Call(access, &GSOOnlineAccess::NativeConnect);
    // A second connect while connecting only registers the client again.
    Call(access, &GSOOnlineAccess::NativeConnect);
    service.LogIn(*endpoint);
    // The status change and the message arrive within one step: two notices, the status first.
    service.FromService(*endpoint, UserMessagePacket(Stranger, "hello", 0));
    access->heard.clear();
    access->Process(0.1f);
    EXPECT_EQ(access->heard, (std::vector<std::string>{"OnlineAccess/StatusChange", "OnlineAccess/ReceiveMessage"}));
    EXPECT_EQ(Call(access, &GSOOnlineAccess::NativeGetStatus), OnlineConnected);
    access->heard.clear();
    access->Process(0.1f);
    EXPECT_TRUE(access->heard.empty());

    GSRuntime::GSString* text = Text(context, "old");
    GSOSoup* soup = GSOSoup::MakeWritable(&context);
    soup->Soup().SetNamedTag(Zel::PString("kept"), "yes");
    EXPECT_EQ(Call(access, &GSOOnlineAccess::NativeCollectMessage, {Handle(text), Handle(soup)}), 0);
    EXPECT_STREQ(text->Text().c_str(), "hello");
    EXPECT_STREQ(soup->Soup().GetNamedTag(Zel::PString("said")).c_str(), "hello");
    EXPECT_EQ(Call(access, &GSOOnlineAccess::NativeCollectMessage, {Handle(text), Handle(soup)}),
              GSOOnlineAccess::NothingToCollect);
    EXPECT_STREQ(text->Text().c_str(), "");
    EXPECT_STREQ(soup->Soup().GetNamedTag(Zel::PString("said")).c_str(), "hello");

    // Disconnected, a waiting message is not handed out.
    access->ReceiveMessage(Versioned("later", 0));
    endpoint->Disconnect();
    text->Text() = Zel::String("old");
    EXPECT_EQ(Call(access, &GSOOnlineAccess::NativeCollectMessage, {Handle(text), Handle(soup)}),
              GSOOnlineAccess::NotConnected);
    EXPECT_STREQ(text->Text().c_str(), "");
    EXPECT_EQ(access->ReceivedCount(), 1u);
}

TEST_F(OnlineAccessObjectTest, ALocallyModifiedScriptHearsOnlyLocallyModifiedSenders)
{
    InstallLibrary();
    KorvelScriptContext context;
    GSOOnlineAccess* modified = GSOOnlineAccess::GetOrCreate(Library, &context);
    GSOOnlineAccess* plain = GSOOnlineAccess::GetOrCreate(Stranger, &context);
    ASSERT_TRUE(modified->IsLocallyModified());
    ASSERT_FALSE(plain->IsLocallyModified());
    struct Case {
        const char* rule;
        GSOOnlineAccess* to;
        std::int32_t flag;
        bool versioned;
        bool kept;
    };
    const Case cases[] = {
        {"unversioned message", plain, 1, false, false},
        {"modified receiver, unmodified sender", modified, 0, true, false},
        {"only the low byte is the sender's flag", modified, 0x100, true, false},
        {"modified receiver, modified sender", modified, 1, true, true},
        {"unmodified receiver hears everyone", plain, 0, true, true},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.rule);
        const std::size_t before = row.to->ReceivedCount();
        if (row.versioned) {
            row.to->ReceiveMessage(Versioned("x", row.flag));
        } else {
            auto message = std::make_unique<OnlineAccessMessage>();
            row.to->ReceiveMessage(std::move(message));
        }
        EXPECT_EQ(row.to->ReceivedCount(), before + (row.kept ? 1 : 0));
    }
}

TEST_F(OnlineAccessObjectTest, OfflineMessagesGoToTheOutboxAndComeFromTheInbox)
{
    KorvelScriptContext context;
    GSOOnlineAccess* access = GSOOnlineAccess::GetOrCreate(Stranger, &context);
    GSOSoup* soup = GSOSoup::MakeWritable(&context);
    soup->Soup().SetNamedTag(Zel::PString("n"), "1");
    EXPECT_EQ(Call(access, &GSOOnlineAccess::NativePostOfflineMessage, {Handle(soup)}), 0);
    soup->Soup().SetNamedTag(Zel::PString("n"), "2");
    EXPECT_EQ(Call(access, &GSOOnlineAccess::NativePostOfflineMessage, {Handle(soup)}), 0);
    const SoupHandle& outbox = GetOnlineAccessStores().offlineOutbox;
    ASSERT_EQ(outbox.CountTags(), 2);
    EXPECT_STREQ(outbox.GetIndexedTagName(0).c_str(), "0");
    EXPECT_STREQ(outbox.GetIndexedTagName(1).c_str(), "1");
    // Deep copies: later changes of the script's soup stay out.
    EXPECT_STREQ(outbox.GetNamedSoup(Zel::PString("0")).GetNamedTag(Zel::PString("n")).c_str(), "1");

    GSOSoup* into = GSOSoup::MakeWritable(&context);
    EXPECT_EQ(Call(access, &GSOOnlineAccess::NativeCollectOfflineMessage, {Handle(into)}),
              GSOOnlineAccess::NothingToCollect);
    SoupHandle letter;
    letter.SetNamedTag(Zel::PString("from"), "mum");
    GetOnlineAccessStores().offlineInbox.SetNamedSoup(Zel::PString("a"), letter);
    EXPECT_EQ(Call(access, &GSOOnlineAccess::NativeCollectOfflineMessage, {Handle(into)}), 0);
    EXPECT_STREQ(into->Soup().GetNamedTag(Zel::PString("from")).c_str(), "mum");
    EXPECT_EQ(GetOnlineAccessStores().offlineInbox.CountTags(), 0);
    EXPECT_EQ(
        Call(access, &GSOOnlineAccess::NativeCollectOfflineMessage, {Handle(GSOSoup::MakeLocked(&context, letter))}),
        std::nullopt);
}

namespace {

// Starts "the next run": the boxes as the registration reads them from
// their files.
void ReadBoxesAgain()
{
    GetOnlineAccessStores() = OnlineAccessStores();
    RegisterOnlineAccessStores();
}

std::string FromOf(const SoupHandle& letter)
{
    return letter.GetNamedTag(Zel::PString("from")).c_str();
}

std::string CachePathOf(const char* name)
{
    Zel::File::Path path = GetCacheFolder();
    path.AddPath(name);
    return path.Str();
}

// A box of one letter "0" from the sender, in the binary form.
std::string BinaryBoxFrom(const char* from)
{
    SoupHandle box;
    SoupHandle letter;
    letter.SetNamedTag(Zel::PString("from"), from);
    box.SetNamedSoup(Zel::PString("0"), letter);
    TBuffer buffer;
    WriteBinarySoup(buffer, box);
    return std::string(reinterpret_cast<const char*>(buffer.Data()), static_cast<size_t>(buffer.DataLength()));
}

}  // namespace

// What a script posts offline, and what it takes from the inbox, is in the
// box files at once, and so in the boxes of the next run.
TEST_F(OnlineAccessObjectTest, OfflineBoxesLastAcrossRuns)
{
    KorvelTest::WriteFileText(CachePathOf("offline-inbox.tbox"),
                              "first\n{\n  from \"mum\"\n}\nsecond\n{\n  from \"dad\"\n}\n");
    ReadBoxesAgain();
    KorvelScriptContext context;
    GSOOnlineAccess* access = GSOOnlineAccess::GetOrCreate(Stranger, &context);
    GSOSoup* soup = GSOSoup::MakeWritable(&context);
    for (const char* from : {"me", "me too"}) {
        soup->Soup().SetNamedTag(Zel::PString("from"), from);
        EXPECT_EQ(Call(access, &GSOOnlineAccess::NativePostOfflineMessage, {Handle(soup)}), 0);
    }
    GSOSoup* into = GSOSoup::MakeWritable(&context);
    EXPECT_EQ(Call(access, &GSOOnlineAccess::NativeCollectOfflineMessage, {Handle(into)}), 0);
    EXPECT_EQ(FromOf(into->Soup()), "mum");

    ReadBoxesAgain();
    const SoupHandle& outbox = GetOnlineAccessStores().offlineOutbox;
    ASSERT_EQ(outbox.CountTags(), 2);
    EXPECT_STREQ(outbox.GetIndexedTagName(1).c_str(), "1");
    EXPECT_EQ(FromOf(outbox.GetNamedSoup(Zel::PString("0"))), "me");
    EXPECT_EQ(FromOf(outbox.GetNamedSoup(Zel::PString("1"))), "me too");
    EXPECT_EQ(Call(access, &GSOOnlineAccess::NativeCollectOfflineMessage, {Handle(into)}), 0);
    EXPECT_EQ(FromOf(into->Soup()), "dad");

    ReadBoxesAgain();
    EXPECT_EQ(Call(access, &GSOOnlineAccess::NativeCollectOfflineMessage, {Handle(into)}),
              GSOOnlineAccess::NothingToCollect);
    EXPECT_EQ(GetOnlineAccessStores().offlineOutbox.CountTags(), 2);
    // Files that were read whole are written over, nothing kept aside.
    for (const char* name : {"offline-inbox.tbox.unread", "offline-outbox.tbox.unread"})
        EXPECT_FALSE(std::filesystem::exists(CachePathOf(name))) << name;
}

// A box file the box could not read entirely is kept aside, byte for byte,
// before the box is first written; a sound one is written over with what it
// held and the new letter.
TEST_F(OnlineAccessObjectTest, AnOfflineBoxFileThatWasNotReadWholeIsNeverWrittenOver)
{
    namespace fs = std::filesystem;
    const std::string binary = BinaryBoxFrom("mum");
    std::string overrun = binary;
    overrun[16] = static_cast<char>(overrun[16] + 1);  // the entry runs one byte past the body
    std::string version2 = binary;
    version2[4] = 2;
    struct Case {
        const char* rule;
        std::string bytes;
        int lettersAfterPost;
        bool keptAside;
    };
    const Case cases[] = {
        {"a sound binary box", binary, 2, false},
        {"a sound text box", "0\n{\n  from \"mum\"\n}\n", 2, false},
        {"an empty file", "", 1, false},
        {"a binary box cut short", binary.substr(0, binary.size() - 3), 1, true},
        {"a binary entry past its body", overrun, 1, true},
        {"a binary box of an unknown version", version2, 1, true},
        {"a text box with a stray brace", "0\n{\n  from \"mum\"\n}\n}\n1\n{\n  from \"dad\"\n}\n", 2, true},
        {"a text box never closed", "0\n{\n  from \"mum\"\n", 2, true},
    };
    const std::string path = CachePathOf("offline-outbox.tbox");
    const std::string aside = path + ".unread";
    KorvelScriptContext context;
    GSOOnlineAccess* access = GSOOnlineAccess::GetOrCreate(Stranger, &context);
    GSOSoup* post = GSOSoup::MakeWritable(&context);
    post->Soup().SetNamedTag(Zel::PString("from"), "me");
    for (const Case& row : cases) {
        SCOPED_TRACE(row.rule);
        fs::remove(aside);
        KorvelTest::WriteFileText(path, row.bytes);
        ReadBoxesAgain();
        EXPECT_EQ(KorvelTest::ReadFileText(path), row.bytes);
        EXPECT_EQ(Call(access, &GSOOnlineAccess::NativePostOfflineMessage, {Handle(post)}), 0);
        EXPECT_EQ(fs::exists(aside), row.keptAside);
        if (row.keptAside) {
            EXPECT_EQ(KorvelTest::ReadFileText(aside), row.bytes);
        }
        ReadBoxesAgain();
        const SoupHandle& outbox = GetOnlineAccessStores().offlineOutbox;
        ASSERT_EQ(outbox.CountTags(), row.lettersAfterPost);
        EXPECT_EQ(FromOf(outbox.GetIndexedSoup(row.lettersAfterPost - 1)), "me");
    }
}

TEST_F(OnlineAccessObjectTest, TheMessageCacheIsReadAsFarAsItIsSoundAndAnUnreadRestIsNeverLost)
{
    namespace fs = std::filesystem;
    Zel::File::Path cache = GetCacheFolder();
    cache.AddPath("oa_messages.dat");
    const std::string path = cache.Str();
    const std::string aside = path + ".unread";

    auto stored = [](int count, int written) {
        TBuffer buffer;
        buffer.WriteInt32(1);
        buffer.WriteInt32(count);
        for (int i = 0; i < written; ++i)
            WriteVersionedForm(*Versioned("kept", 1), buffer);
        return std::string(reinterpret_cast<const char*>(buffer.Data()), static_cast<size_t>(buffer.DataLength()));
    };
    struct Case {
        const char* rule;
        std::optional<std::string> file;
        std::size_t loaded;
        bool keptAside;
    };
    const Case cases[] = {
        {"no file", std::nullopt, 0, false},
        {"two sound messages", stored(2, 2), 2, false},
        {"an unknown form", std::string("\x02\0\0\0\x01\0\0\0", 8) + stored(1, 1), 0, true},
        {"damaged after the first message", stored(3, 1) + std::string(7, '\xff'), 1, true},
        {"a count past the messages", stored(2, 1), 1, true},
        {"too short for its header", std::string("\x01\0", 2), 0, true},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.rule);
        NewEndpoint();
        fs::remove(path);
        fs::remove(aside);
        if (row.file)
            KorvelTest::WriteFileText(path, *row.file);
        LoadOnlineMessageCache();
        EXPECT_EQ(endpoint->StoredMessageCount(), row.loaded);
        // Loading never touches the file.
        EXPECT_EQ(fs::exists(path), row.file.has_value());
        if (row.file) {
            EXPECT_EQ(KorvelTest::ReadFileText(path), *row.file);
        }

        SaveOnlineMessageCache();
        EXPECT_EQ(fs::exists(aside), row.keptAside);
        if (row.keptAside) {
            EXPECT_EQ(KorvelTest::ReadFileText(aside), *row.file);
        }
        // What was read is written back in the sound form and reads whole.
        NewEndpoint();
        LoadOnlineMessageCache();
        EXPECT_EQ(endpoint->StoredMessageCount(), row.loaded);
        SaveOnlineMessageCache();
        EXPECT_EQ(KorvelTest::ReadFileText(aside), row.keptAside ? *row.file : std::string());
    }
    // A second unread file does not take the place of the first one kept.
    KorvelTest::WriteFileText(path, "second");
    NewEndpoint();
    LoadOnlineMessageCache();
    SaveOnlineMessageCache();
    EXPECT_EQ(KorvelTest::ReadFileText(aside), std::string("\x01\0", 2));
    EXPECT_EQ(KorvelTest::ReadFileText(aside + ".1"), "second");
}

TEST_F(OnlineAccessObjectTest, StoredBoxesAreReadByTheirFirstBytesAndNeverDeleted)
{
    const std::string binaryBox = BinaryBoxFrom("mum");
    struct Case {
        const char* rule;
        std::string bytes;
        std::string from;  // of the first letter; empty when none is read
    };
    const Case cases[] = {
        {"a binary soup", binaryBox, "mum"},
        {"a text soup", "0\n{\n  from \"dad\"\n}\n", "dad"},
        {"a binary soup cut short", binaryBox.substr(0, binaryBox.size() - 3), ""},
        {"bytes of no known form", std::string("\x7f\x01\x02\x03garbage", 11), ""},
    };
    Zel::File::Path inbox = GetCacheFolder();
    inbox.AddPath("offline-inbox.tbox");
    for (const Case& row : cases) {
        SCOPED_TRACE(row.rule);
        GetOnlineAccessStores() = OnlineAccessStores();
        KorvelTest::WriteFileText(inbox.Str(), row.bytes);
        RegisterOnlineAccessStores();
        const SoupHandle& read = GetOnlineAccessStores().offlineInbox;
        EXPECT_EQ(std::string(read.GetIndexedSoup(0).GetNamedTag(Zel::PString("from")).c_str()), row.from);
        EXPECT_EQ(KorvelTest::ReadFileText(inbox.Str()), row.bytes);
    }
}

TEST_F(OnlineAccessObjectTest, WithoutAProfileOrAnAnsweringServiceNothingIsSentOrCollected)
{
    KorvelScriptContext context;
    GSOOnlineAccess* access = GSOOnlineAccess::GetOrCreate(Stranger, &context);
    GSOSoup* soup = GSOSoup::MakeWritable(&context);
    GSRuntime::GSString* text = Text(context, "old");
    access->Process(0.1f);
    // No profile: state 0, and the client is registered all the same.
    Call(access, &GSOOnlineAccess::NativeConnect);
    access->Process(0.1f);
    EXPECT_EQ(Call(access, &GSOOnlineAccess::NativeGetStatus), OnlineNoProfile);
    EXPECT_TRUE(endpoint->HasClients());

    // A profile and a ticket, but the service never answers the hello.
    SetAccount("driver", "ticket-1");
    Call(access, &GSOOnlineAccess::NativeConnect);
    for (int step = 0; step < 5; ++step) {
        clock.Advance(1.0);
        access->Process(1.0f);
    }
    EXPECT_EQ(Call(access, &GSOOnlineAccess::NativeGetStatus), OnlineConnecting);
    access->ReceiveMessage(Versioned("waiting", 0));
    EXPECT_EQ(Call(access, &GSOOnlineAccess::NativePostMessage, {Handle(Text(context, "friend")), Handle(soup)}),
              OnlinePostNotConnected);
    EXPECT_EQ(Call(access, &GSOOnlineAccess::NativeCollectMessage, {Handle(text), Handle(soup)}),
              GSOOnlineAccess::NotConnected);
    EXPECT_STREQ(text->Text().c_str(), "");
    // Leaving disconnects the client once no other is registered.
    Call(access, &GSOOnlineAccess::NativeDisconnect);
    EXPECT_FALSE(endpoint->HasClients());
    EXPECT_EQ(endpoint->GetState(), OnlineDisconnected);
}

namespace {

// A library object as the Library natives see it: a script object that is its asset's world-list item.
class StandInLibrary : public GSRuntime::GSObject, public WorldListItem {
public:
    explicit StandInLibrary(const KUID& id) : id_(id) {}
    KUID GetKUID() override { return id_; }
    uint32_t GetTypeId() const override { return WorldTypeLibraryObject; }

private:
    KUID id_;
};

}  // namespace

TEST_F(OnlineAccessObjectTest, ALibraryGetsTheOnlineAccessOfItsAsset)
{
    GSRuntime::GSNativeFunction* native = GSMachine::Get()->FindNativeFunction(
        Zel::PString("Library"), Zel::PString("$OnlineAccess@Library::GetOnlineAccess()"));
    ASSERT_NE(native, nullptr);
    KorvelScriptContext context;
    StandInLibrary library(Library);
    auto get = [&](GSRuntime::GSObject* object) -> GSOOnlineAccess* {
        KorvelTest::NativeFrame frame({Handle(object)});
        const int32_t top = frame.stack.TopIndex();
        if (!native->Call(object, frame.stack) || frame.stack.TopIndex() == top)
            return nullptr;
        return dynamic_cast<GSOOnlineAccess*>(GSRuntime::ObjectOfHandle(frame.stack.Pop().AsHandle()));
    };
    ASSERT_TRUE(library.AttachScriptInstance(GetNativeScriptClass(NativeScriptClass::Library), &context));
    GSOOnlineAccess* access = get(&library);
    ASSERT_NE(access, nullptr);
    EXPECT_EQ(access->assetId, Library);
    EXPECT_EQ(get(&library), access);
    // Any other object is refused.
    GSRuntime::GSObject plain;
    EXPECT_EQ(get(&plain), nullptr);
    library.AttachScriptInstance(nullptr, &context);
}
