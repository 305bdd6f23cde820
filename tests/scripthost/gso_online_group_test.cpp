// OnlineGroup objects against a real daemon and a raw service peer on loopback: create and open, joining, user updates (damaged ones included), the user natives, posts and collects, closing.
#include <gtest/gtest.h>

#include "foundation/streams/t_buffer.h"
#include "online_access_test_support.h"
#include "scripthost/gso_online_group.h"
#include "scripthost/gso_soup.h"
#include "scripthost/native_objects.h"

namespace {

using namespace OnlineTests;
using GSRuntime::Slot;
using KorvelTest::Datagram;
using KorvelTest::Wire;

// Hears the script messages the group posts itself.
class RecordingGroup : public GSOOnlineGroup {
public:
    using GSOOnlineGroup::GSOOnlineGroup;
    bool ReceiveMessage(const GSRuntime::GSMessage& message) override
    {
        heard.push_back(HeardName(RouterOf(), message));
        return GSGameObject::ReceiveMessage(message);
    }
    std::vector<std::string> heard;
};

// Update data as the client hands it to the group, rewound for reading.
class Bytes : public TBuffer {
public:
    explicit Bytes(const Datagram& bytes)
    {
        WriteBytes(bytes.data(), static_cast<std::int64_t>(bytes.size()));
        Rewind();
    }
};

class OnlineGroupTest : public OnlineServiceTest {
protected:
    // A group of a fresh owner, in the router, listening to every notice a group posts.
    RecordingGroup* MakeGroup(KorvelScriptContext& context, const char* cookie = "", std::int32_t mode = 3)
    {
        owner = GSOOnlineAccess::GetOrCreate(Stranger, &context);
        EXPECT_NE(owner, nullptr);
        auto* group = MakeNativeObject<RecordingGroup>(GSOOnlineGroup::ScriptClass(), &context, owner,
                                                       Zel::PString(cookie), mode);
        EXPECT_NE(group, nullptr);
        context.Router()->AddNode(group);
        for (const char* major :
             {"OnlineGroup", "OnlineGroup.UserAdded", "OnlineGroup.UserStatus", "OnlineGroup.UserRemoved"})
            group->Subscribe(context.Router()->InternName(major));
        return group;
    }
    // What the group heard at the router's next step.
    static std::vector<std::string> Heard(KorvelScriptContext& context, RecordingGroup* group)
    {
        group->heard.clear();
        context.Router()->Step(0.01f);
        return group->heard;
    }
    std::vector<std::string> Users(const GSOOnlineGroup* group)
    {
        std::vector<std::string> users;
        for (const GSOOnlineGroup::User& user : group->Users())
            users.push_back(std::string(user.name.c_str()) + ":" + std::to_string(user.status));
        return users;
    }

    // The text a string native pushed.
    template <class... Arguments>
    static std::string CallText(GSOOnlineGroup* group, bool (GSOOnlineGroup::*native)(GSRuntime::GSStack&),
                                Arguments... arguments)
    {
        const std::optional<Slot> pushed = CallSlot(group, native, {arguments...});
        if (!pushed)
            return "<nothing>";
        const GSRuntime::GSString* text = GSRuntime::GSString::FromHandle(pushed->AsHandle());
        return text != nullptr ? text->Text().c_str() : "<null>";
    }
    // Sends the owner's client's packets to the service and gives their first bytes.
    std::vector<Datagram> Sent() { return service.Packets(*endpoint); }

    GSOOnlineAccess* owner = nullptr;
};

}  // namespace

TEST_F(OnlineGroupTest, ACreatedGroupAsksAtOnceAndAwaitsTheServiceUntilItIsJoined)
{
    KorvelScriptContext context;
    GSOOnlineAccess* access = GSOOnlineAccess::GetOrCreate(Stranger, &context);
    Connect(access);
    const std::optional<Slot> made = CallSlot(access, &GSOOnlineAccess::NativeCreateGroup, {Slot::FromInt(3)});
    ASSERT_TRUE(made.has_value());
    auto* group = dynamic_cast<GSOOnlineGroup*>(GSRuntime::ObjectOfHandle(made->AsHandle()));
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(Sent(), (std::vector<Datagram>{Wire().U8(27).U32(3).bytes}));
    EXPECT_EQ(group->GetStatus(), GSOOnlineGroup::Connecting);
    EXPECT_TRUE(group->IsAwaitingCreate());
    EXPECT_EQ(CallText(group, &GSOOnlineGroup::NativeGetOnlineGroupCookie), "");
    // Connect again changes nothing once the group has left idle.
    Call(group, &GSOOnlineGroup::NativeConnect);
    EXPECT_TRUE(Sent().empty());

    service.FromService(*endpoint, Wire().U8(20).PStr("c1").U16(2).PStr("anna").U8(1).PStr("bob").U8(0).bytes);
    EXPECT_FALSE(group->IsAwaitingCreate());
    EXPECT_EQ(group->GetStatus(), GSOOnlineGroup::Joined);
    EXPECT_EQ(CallText(group, &GSOOnlineGroup::NativeGetOnlineGroupCookie), "c1");
    EXPECT_EQ(Users(group), (std::vector<std::string>{"anna:1", "bob:0"}));

    // Opening by cookie asks for that group.
    const std::optional<Slot> opened = CallSlot(access, &GSOOnlineAccess::NativeOpenGroup,
                                                {Handle(Text(context, "c9")), Slot::FromInt(5)});
    ASSERT_TRUE(opened.has_value());
    EXPECT_EQ(Sent(), (std::vector<Datagram>{Wire().U8(28).PStr("c9").U32(5).bytes}));
    EXPECT_EQ(CallSlot(access, &GSOOnlineAccess::NativeOpenGroup, {Handle(Text(context, "")), Slot::FromInt(5)}),
              std::nullopt);

    // The service closes it: closed, without owner, and it left the client's list.
    service.FromService(*endpoint, Wire().U8(22).PStr("c1").bytes);
    EXPECT_EQ(group->GetStatus(), GSOOnlineGroup::Closed);
    EXPECT_EQ(group->Owner(), nullptr);
    service.FromService(*endpoint, Wire().U8(23).PStr("c1").U16(1).PStr("carl").U8(0).bytes);
    EXPECT_EQ(group->Users().size(), 2u);
}

TEST_F(OnlineGroupTest, UpdatesChangeTheUsersAndTellTheScriptOnlyWhatChanged)
{
    KorvelScriptContext context;
    RecordingGroup* group = MakeGroup(context, "c1");
    Bytes joined(Wire().U16(2).PStr("anna").U8(1).PStr("bob").U8(0).bytes);
    group->OnJoined(Zel::PString("c1"), joined);
    EXPECT_EQ(Heard(context, group),
              (std::vector<std::string>{"OnlineGroup/StatusChange", "OnlineGroup.UserAdded/anna",
                                        "OnlineGroup.UserAdded/bob", "OnlineGroup/UsersChange"}));
    const std::string tooLong(0x10000, 'x');
    struct Case {
        const char* rule;
        Datagram update;
        std::vector<std::string> users;
        std::vector<std::string> heard;
    };
    const Case cases[] = {
        {"removing a user not in the list changes nothing", Wire().U16(1).PStr("zoe").U8(255).bytes,
         {"anna:1", "bob:0"}, {}},
        {"a user set to its own status changes nothing", Wire().U16(1).PStr("bob").U8(0).bytes, {"anna:1", "bob:0"}, {}},
        {"users are found whatever their letter case", Wire().U16(1).PStr("ANNA").U8(2).bytes,
         {"anna:2", "bob:0"}, {"OnlineGroup.UserStatus/ANNA", "OnlineGroup/UsersChange"}},
        {"removal", Wire().U16(1).PStr("bob").U8(255).bytes, {"anna:2"},
         {"OnlineGroup.UserRemoved/bob", "OnlineGroup/UsersChange"}},
        {"an update cut short keeps the entries before the cut",
         Wire().U16(3).PStr("carl").U8(4).PStr("dave").bytes, {"anna:2", "carl:4"},
         {"OnlineGroup.UserAdded/carl", "OnlineGroup/UsersChange"}},
        {"a name longer than a name can be ends the update",
         Wire().U16(2).PStr("dave").U8(1).U32(0x1000000).Raw(Datagram(tooLong.begin(), tooLong.end())).U8(1).bytes,
         {"anna:2", "carl:4", "dave:1"}, {"OnlineGroup.UserAdded/dave", "OnlineGroup/UsersChange"}},
        {"a name past the length cap read as a string ends the update",
         Wire().U16(2).PStr("erin").U8(1).U32(0x10000).Raw(Datagram(tooLong.begin(), tooLong.end())).U8(1).bytes,
         {"anna:2", "carl:4", "dave:1", "erin:1"}, {"OnlineGroup.UserAdded/erin", "OnlineGroup/UsersChange"}},
        {"an empty name ends the update", Wire().U16(2).U32(0).U8(1).PStr("fay").U8(1).bytes,
         {"anna:2", "carl:4", "dave:1", "erin:1"}, {}},
        {"a count cut short reads as no entries", Wire().U8(1).bytes, {"anna:2", "carl:4", "dave:1", "erin:1"}, {}},
        {"a huge count over a short stream stops at its end", Wire().U16(65535).PStr("gus").U8(1).bytes,
         {"anna:2", "carl:4", "dave:1", "erin:1", "gus:1"}, {"OnlineGroup.UserAdded/gus", "OnlineGroup/UsersChange"}},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.rule);
        Bytes update(row.update);
        group->OnUpdate(update);
        EXPECT_EQ(Users(group), row.users);
        EXPECT_EQ(Heard(context, group), row.heard);
    }
    // A full list replaces the users.
    Bytes full(Wire().U16(1).PStr("zoe").U8(0).bytes);
    group->OnJoined(Zel::PString("c1"), full);
    EXPECT_EQ(Users(group), (std::vector<std::string>{"zoe:0"}));
    EXPECT_EQ(Heard(context, group), (std::vector<std::string>{"OnlineGroup.UserAdded/zoe", "OnlineGroup/UsersChange"}));
}

TEST_F(OnlineGroupTest, UserNativesSendChangesOnlyWhenTheListChanges)
{
    KorvelScriptContext context;
    RecordingGroup* group = MakeGroup(context, "c1");
    Connect(owner);
    Sent();
    Bytes joined(Wire().U16(1).PStr("anna").U8(1).bytes);
    group->OnJoined(Zel::PString("c1"), joined);

    Call(group, &GSOOnlineGroup::NativeAddUser, {Handle(Text(context, "bob"))});
    Call(group, &GSOOnlineGroup::NativeAddUser, {Handle(Text(context, "bob"))});
    Call(group, &GSOOnlineGroup::NativeRemoveUser, {Handle(Text(context, "nobody"))});
    Call(group, &GSOOnlineGroup::NativeRemoveUser, {Handle(Text(context, "anna"))});
    EXPECT_EQ(Sent(), (std::vector<Datagram>{Wire().U8(23).PStr("c1").U8(0).PStr("bob").bytes,
                                             Wire().U8(23).PStr("c1").U8(255).PStr("anna").bytes}));
    EXPECT_EQ(Call(group, &GSOOnlineGroup::NativeCountUsers), 1);
    struct Case {
        const char* rule;
        std::optional<std::int32_t> result;
        std::optional<std::int32_t> expected;
    };
    const Case cases[] = {
        {"found", Call(group, &GSOOnlineGroup::NativeFindUser, {Handle(Text(context, "bob"))}), 0},
        {"the natives compare names exactly", Call(group, &GSOOnlineGroup::NativeFindUser, {Handle(Text(context, "Bob"))}),
         -1},
        {"an empty name is looked for too", Call(group, &GSOOnlineGroup::NativeFindUser, {Handle(Text(context, ""))}), -1},
        {"status of a user", Call(group, &GSOOnlineGroup::NativeGetUserStatus, {Slot::FromInt(0)}), 0},
        {"status outside the list", Call(group, &GSOOnlineGroup::NativeGetUserStatus, {Slot::FromInt(1)}), 0},
        {"status at a negative index", Call(group, &GSOOnlineGroup::NativeGetUserStatus, {Slot::FromInt(-1)}), 0},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.rule);
        EXPECT_EQ(row.result, row.expected);
    }
    EXPECT_EQ(CallText(group, &GSOOnlineGroup::NativeGetIndexedUser, Slot::FromInt(0)), "bob");
    EXPECT_EQ(CallText(group, &GSOOnlineGroup::NativeGetIndexedUser, Slot::FromInt(7)), "");
    Call(group, &GSOOnlineGroup::NativeAddUser, {Handle(Text(context, ""))});
    EXPECT_EQ(Call(group, &GSOOnlineGroup::NativeCountUsers), 1);

    Call(group, &GSOOnlineGroup::NativeSetModeFlags, {Slot::FromInt(1), Slot::FromInt(2)});
    Call(group, &GSOOnlineGroup::NativeSetUserModeFlags, {Handle(Text(context, "bob")), Slot::FromInt(3), Slot::FromInt(4)});
    EXPECT_EQ(Sent(), (std::vector<Datagram>{Wire().U8(25).PStr("c1").U32(1).U32(2).bytes,
                                             Wire().U8(26).PStr("c1").PStr("bob").U32(3).U32(4).bytes}));
}

TEST_F(OnlineGroupTest, DisconnectLeavesAndAnIdleGroupStaysQuiet)
{
    KorvelScriptContext context;
    RecordingGroup* group = MakeGroup(context, "c1");
    Connect(owner);
    Sent();
    // Never connected: the leave still goes out, with no status notice.
    Call(group, &GSOOnlineGroup::NativeDisconnect);
    EXPECT_EQ(Sent(), (std::vector<Datagram>{Wire().U8(22).PStr("c1").bytes}));
    EXPECT_TRUE(Heard(context, group).empty());
    Call(group, &GSOOnlineGroup::NativeConnect);
    EXPECT_EQ(Sent(), (std::vector<Datagram>{Wire().U8(28).PStr("c1").U32(3).bytes}));
    Bytes none(Wire().U16(0).bytes);
    group->OnJoined(Zel::PString("c1"), none);
    Call(group, &GSOOnlineGroup::NativeDisconnect);
    EXPECT_EQ(group->GetStatus(), GSOOnlineGroup::Idle);
    EXPECT_EQ(Heard(context, group), (std::vector<std::string>{"OnlineGroup/StatusChange", "OnlineGroup/StatusChange"}));

    // The owner's client going away closes the group for good.
    Call(owner, &GSOOnlineAccess::NativeDisconnect);
    EXPECT_EQ(group->GetStatus(), GSOOnlineGroup::Closed);
    EXPECT_EQ(group->Owner(), nullptr);
    Call(group, &GSOOnlineGroup::NativeConnect);
    Call(group, &GSOOnlineGroup::NativeAddUser, {Handle(Text(context, "bob"))});
    EXPECT_EQ(group->GetStatus(), GSOOnlineGroup::Closed);
    EXPECT_TRUE(group->Users().empty());
}

TEST_F(OnlineGroupTest, PostsShareTheOwnersBudgetAndCollectsTakeQueuedMessages)
{
    KorvelScriptContext context;
    RecordingGroup* group = MakeGroup(context, "c1");
    GSOSoup* soup = GSOSoup::MakeWritable(&context);
    GSRuntime::GSString* text = Text(context, "old");
    // Not connected: the post is refused by the client but counted.
    for (int i = 0; i < 61; ++i)
        ASSERT_EQ(Call(group, &GSOOnlineGroup::NativePostMessage, {Handle(soup)}), OnlinePostNotConnected) << i;
    EXPECT_EQ(Call(group, &GSOOnlineGroup::NativePostMessage, {Handle(soup)}), GSOOnlineAccess::OverBudget);
    EXPECT_EQ(Call(owner, &GSOOnlineAccess::NativePostMessage, {Handle(Text(context, "x")), Handle(soup)}),
              GSOOnlineAccess::OverBudget);
    owner->Process(1.0f);

    EXPECT_EQ(Call(group, &GSOOnlineGroup::NativeCollectMessage, {Handle(text), Handle(soup)}),
              GSOOnlineAccess::NotConnected);
    EXPECT_STREQ(text->Text().c_str(), "");
    Connect(owner);
    EXPECT_EQ(Call(group, &GSOOnlineGroup::NativePostMessage, {Handle(soup)}), OnlinePostSent);
    EXPECT_EQ(Call(group, &GSOOnlineGroup::NativeCollectMessage, {Handle(text), Handle(soup)}),
              GSOOnlineAccess::NothingToCollect);

    OnlineGroupMessage message;
    message.sender = KUID(9, 9, 0);
    message.cookie = Zel::PString("c1");
    message.text = "hi all";
    message.soup.SetNamedTag(Zel::PString("said"), "hi");
    TBuffer bytes;
    message.Write(bytes);
    service.FromService(*endpoint, Wire().U8(24).Raw(Datagram(bytes.Data(), bytes.Data() + bytes.DataLength())).bytes);
    EXPECT_EQ(group->QueuedCount(), 1u);
    EXPECT_EQ(Heard(context, group), (std::vector<std::string>{}));
    // The router's step processes the group, which posts; the next delivers.
    EXPECT_EQ(Heard(context, group), (std::vector<std::string>{"OnlineGroup/ReceiveMessage"}));
    EXPECT_EQ(Call(group, &GSOOnlineGroup::NativeCollectMessage, {Handle(text), Handle(GSOSoup::MakeLocked(&context, soup->Soup()))}),
              std::nullopt);
    EXPECT_EQ(Call(group, &GSOOnlineGroup::NativeCollectMessage, {Handle(text), Handle(soup)}), GSOOnlineAccess::Done);
    EXPECT_STREQ(text->Text().c_str(), "hi all");
    EXPECT_STREQ(soup->Soup().GetNamedTag(Zel::PString("said")).c_str(), "hi");
    EXPECT_EQ(group->QueuedCount(), 0u);
}
