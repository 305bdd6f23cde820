// OnlineAccess and OnlineGroup tests: a real daemon in a temporary installation, a raw service peer on loopback, and natives called with a hand-built frame.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "assetdb/kad_client.h"
#include "assetdb/net/net_transport.h"
#include "daemon/daemon_test_support.h"
#include "foundation/base/install_paths.h"
#include "foundation/base/seconds_clock.h"
#include "script/vm/gs_node.h"
#include "script/vm/gs_router.h"
#include "script/vm/gs_string.h"
#include "script_host_test_root.h"
#include "scripthost/gso_online_access.h"
#include "scripthost/korvel_base_spec.h"
#include "scripthost/korvel_script_context.h"
#include "scripthost/native_library_setup.h"
#include "scripthost/online_access_stores.h"
#include "support/file_text.h"
#include "support/native_frame.h"
#include "support/online_service_wire.h"

namespace OnlineTests {

inline const KUID Library(1234, 300, 2);
inline const KUID Stranger(77, 5, 0);

inline GSRuntime::Slot Handle(const GSRuntime::GSObjectReference* object)
{
    return GSRuntime::Slot::FromPointer(object != nullptr ? object->GetScriptInstance() : nullptr);
}

// "major/minor" of a routed message.
inline std::string HeardName(GSRuntime::GSRouter* router, const GSRuntime::GSMessage& message)
{
    return std::string(router->NameOf(message.major).c_str()) + "/" + router->NameOf(message.minor).c_str();
}

inline std::unique_ptr<OnlineAccessVersionedMessage> Versioned(const char* text, std::int32_t flag)
{
    auto message = std::make_unique<OnlineAccessVersionedMessage>();
    message->assetId = KUID(9, 9, 0);
    message->text = text;
    message->soup.SetNamedTag(Zel::PString("said"), text);
    message->flag = flag;
    return message;
}

// The slot a native pushed; none when it pushed nothing (an argument error stopped it).
template <class Object, class T>
std::optional<GSRuntime::Slot> CallSlot(Object* object, bool (T::*native)(GSRuntime::GSStack&),
                                        std::initializer_list<GSRuntime::Slot> arguments = {})
{
    std::vector<GSRuntime::Slot> slots{Handle(object)};
    slots.insert(slots.end(), arguments.begin(), arguments.end());
    KorvelTest::NativeFrame frame(slots);
    const int32_t top = frame.stack.TopIndex();
    (static_cast<T*>(object)->*native)(frame.stack);
    if (frame.stack.TopIndex() == top)
        return std::nullopt;
    return frame.stack.Pop();
}

// The int a native pushed, or none.
template <class Object, class T>
std::optional<std::int32_t> Call(Object* object, bool (T::*native)(GSRuntime::GSStack&),
                                 std::initializer_list<GSRuntime::Slot> arguments = {})
{
    const std::optional<GSRuntime::Slot> pushed = CallSlot(object, native, arguments);
    return pushed ? std::optional<std::int32_t>(pushed->AsInt()) : std::nullopt;
}

// A script string of the context; released by the context's teardown.
inline GSRuntime::GSString* Text(KorvelScriptContext& context, const char* text)
{
    return new GSRuntime::GSString(&context, text);
}

class OnlineServiceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SetUpNativeLibraries()) << NativeLibrarySetUpFault();
        RegisterKorvelBaseSpec();
        NetTransport::Startup();
        const pid_t pid = installation.StartDaemon();
        ASSERT_NE(installation.WaitForPort(pid), 0);
        // The daemon's root for the user data (the cache file among it); the
        // script API stays where the binary's root has it.
        ASSERT_TRUE(InitInstallPaths(Zel::File::Path(installation.Root().c_str())));
        std::filesystem::create_directories(GetCacheFolder().Str());
        KADClientOptions options;
        options.mayStartDaemon = 0;
        ASSERT_TRUE(KADClient::Start(options));
        address.host = "127.0.0.1";
        address.port = service.Port();
        NewEndpoint();
        GetOnlineAccessStores() = OnlineAccessStores();
    }
    void TearDown() override
    {
        GSOOnlineAccess::UseEndpoint(nullptr);
        endpoint.reset();
        KADClient::Shutdown();
        InitInstallPaths(Zel::File::Path(ScriptHostTestRoot().c_str()));
        CreateUserFolders();
        EXPECT_EQ(GSOOnlineAccess::LiveCount(), 0u);
    }

    void NewEndpoint()
    {
        GSOOnlineAccess::UseEndpoint(nullptr);
        endpoint = std::make_unique<OnlineAccessClientEndpoint>(address, clock);
        GSOOnlineAccess::UseEndpoint(endpoint.get());
    }

    void InstallLibrary()
    {
        const std::string folder = installation.Root() + "/incoming/library";
        KorvelTest::WriteFileText(folder + "/config.txt",
                                  "kuid <kuid2:1234:300:2>\nkind \"library\"\nusername \"Lib\"\n");
        ASSERT_EQ(KADClient::InstallFolder(Zel::File::Path(folder.c_str()), 0, nullptr, nullptr, nullptr), Library);
    }

    void SetAccount(const char* user, const char* ticket)
    {
        ASSERT_TRUE(KADClient::SetSetting(Zel::PString("internet"), Zel::PString("username"), Zel::PString(user)));
        ASSERT_TRUE(KADClient::SetSetting(Zel::PString("online"), Zel::PString("ticket"), Zel::PString(ticket)));
    }

    // The object's client connects and the service logs it in.
    void Connect(GSOOnlineAccess* access)
    {
        SetAccount("driver", "ticket-1");
        Call(access, &GSOOnlineAccess::NativeConnect);
        service.LogIn(*endpoint);
    }

    KADTestInstallation installation;
    KorvelTest::OnlineServicePeer service;
    ManualClock clock{1000.0};
    OnlineAccessServiceAddress address;
    std::unique_ptr<OnlineAccessClientEndpoint> endpoint;
};

}  // namespace OnlineTests
