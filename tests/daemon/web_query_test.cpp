// Web queries through the real daemon: StartWebQuery, CloseWebQuery and GetWebQueryStatus against the content-service stand-in.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "foundation/streams/t_buffer.h"
#include "assetdb/protocol/kad_protocol.h"
#include "daemon_test_support.h"
#include "e2e/content_service/content_service.h"
#include "soup/binary_soup.h"
#include "soup/soup_handle.h"
#include "support/file_text.h"

namespace {

constexpr std::int32_t ModeDownload = KADWebQueryModeDownload;
constexpr std::int32_t ModePage = KADWebQueryModePage;

struct Status {
    bool complete = false;
    std::uint32_t httpStatus = 0;
    std::uint32_t result = 0;
    std::uint32_t bytes = 0;
    std::string file;
    std::string text;
};

struct Handle {
    std::int32_t first = -1;
    std::int32_t second = -1;
};

KADBytes BytesOf(TBuffer& buffer)
{
    return KADBytes(buffer.Data(), buffer.Data() + buffer.DataLength());
}

void Fill(TBuffer& buffer, const KADBytes& bytes)
{
    buffer.WriteBytes(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    buffer.Rewind();
}

class WebQueryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(service.Start());
        service.ServeFile("/dl/a.cdp", std::string(1000, 'a'));
    }

    // Writes kaddaemon.cfg, starts the daemon and connects.
    void StartDaemon(const std::string& extraConfig = std::string())
    {
        std::filesystem::create_directories(installation.DatabasePath());
        std::ofstream(installation.DatabasePath() + "/kaddaemon.cfg")
            << "web-rewrite\n{\n  0\n  {\n    from \"https://cargohub.korvel.invalid\"\n    to \"" << service.BaseUrl()
            << "\"\n  }\n}\n"
            << extraConfig;
        pid_t pid = installation.StartDaemon();
        port = installation.WaitForPort(pid);
        ASSERT_NE(port, 0);
        ASSERT_TRUE(client.Connect(port));
        ASSERT_TRUE(client.Handshake(installation.ClientDatabasePath()));
    }

    Handle Start(const std::string& url, std::int32_t mode, KADTestClient* through = nullptr)
    {
        TBuffer payload;
        payload.WriteUInt8(0);
        payload.WritePString(Zel::PString(url.c_str()));
        payload.WriteInt32(mode);
        payload.WriteInt32(-1);
        WriteBinarySoup(payload, SoupHandle());
        KADBytes reply;
        EXPECT_TRUE((through ? through : &client)->Call(KADRequestCode::StartWebQuery, BytesOf(payload), reply));
        TBuffer in;
        Fill(in, reply);
        Handle handle;
        handle.first = in.ReadInt32(-1);
        handle.second = in.ReadInt32(-1);
        return handle;
    }

    Status Poll(Handle handle, KADTestClient* through = nullptr)
    {
        KADBytes reply;
        EXPECT_TRUE((through ? through : &client)
                        ->Call(KADRequestCode::GetWebQueryStatus, Int32Payload({handle.first, handle.second}), reply));
        TBuffer in;
        Fill(in, reply);
        Status status;
        status.complete = in.ReadBool(false);
        status.httpStatus = in.ReadUInt32(0);
        status.result = in.ReadUInt32(0);
        status.bytes = in.ReadUInt32(0);
        status.file = std::string(in.ReadString().c_str());
        status.text = std::string(in.ReadPString().View());
        EXPECT_FALSE(in.HasError());
        return status;
    }

    // Polls until complete; the daemon bounds every fetch, this bound only
    // keeps a broken daemon from hanging the test.
    Status WaitFor(Handle handle)
    {
        for (int i = 0; i < 3000; ++i) {
            Status status = Poll(handle);
            if (status.complete)
                return status;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ADD_FAILURE() << "web query never completed";
        return Status();
    }

    void Close(Handle handle)
    {
        KADBytes reply;
        EXPECT_TRUE(client.Call(KADRequestCode::CloseWebQuery, Int32Payload({handle.first, handle.second}), reply));
        EXPECT_TRUE(reply.empty());
    }

    ContentService::StandIn service;
    KADTestInstallation installation;
    KADTestClient client;
    int port = 0;
};

TEST_F(WebQueryTest, TheConfigReadAtStartStaysInForceUntilTheNextStart)
{
    StartDaemon();
    // Edited while the daemon runs: without its rewrite the service's
    // constant host would lead nowhere.
    std::ofstream(installation.DatabasePath() + "/kaddaemon.cfg", std::ios::trunc) << "web-total-timeout 5\n";
    Status status = WaitFor(Start("https://cargohub.korvel.invalid/dl/a.cdp", ModeDownload));
    EXPECT_EQ(status.result, 0u);
    EXPECT_EQ(status.httpStatus, 200u);
    EXPECT_EQ(status.bytes, 1000u);
}

TEST_F(WebQueryTest, DownloadLandsInTheCacheWithItsStatus)
{
    StartDaemon();
    Handle handle = Start(service.UrlOf("/dl/a.cdp"), ModeDownload);
    EXPECT_GT(handle.first, 0);
    Status status = WaitFor(handle);
    EXPECT_EQ(status.result, 0u);
    EXPECT_EQ(status.httpStatus, 200u);
    EXPECT_EQ(status.bytes, 1000u);
    EXPECT_EQ(status.text, "");
    EXPECT_EQ(std::filesystem::path(status.file).parent_path(), installation.Root() + "/UserData/cache/web");
    EXPECT_EQ(KorvelTest::ReadFileText(status.file), std::string(1000, 'a'));

    Close(handle);
    EXPECT_FALSE(std::filesystem::exists(status.file));
    Status after = Poll(handle);
    EXPECT_TRUE(after.complete);
    EXPECT_NE(after.result, 0u);
    EXPECT_EQ(after.file, "");
}

TEST_F(WebQueryTest, TheServiceHostIsRewrittenToTheConfiguredAddress)
{
    StartDaemon();
    service.SetSearchAnswer("1:2", "none 1\n");
    Handle handle = Start("https://cargohub.korvel.invalid/webservice/search?SearchCriteria=1:2", ModePage);
    Status status = WaitFor(handle);
    EXPECT_EQ(status.result, 0u);
    EXPECT_EQ(KorvelTest::ReadFileText(status.file), "none 1\n");
    EXPECT_EQ(service.Hits("/webservice/search"), 1);
}

struct FailureCase {
    const char* name;
    ContentService::Fault fault;
    std::string argument;
    std::uint32_t result;
};

TEST_F(WebQueryTest, FailedFetchesCompleteWithACodeAndLeaveNoFile)
{
    StartDaemon("web-total-timeout 1\n");
    const FailureCase cases[] = {
        {"not found", ContentService::Fault::NotFound, "", 404},
        {"server error", ContentService::Fault::ServerError, "", 500},
        {"truncated body", ContentService::Fault::Truncated, "", 1018},
        {"slower than the total time-out", ContentService::Fault::Delay, "5000", 1028},
        {"redirect to a file", ContentService::Fault::Redirect, "file:///etc/passwd", 1001},
    };
    for (const FailureCase& failure : cases) {
        SCOPED_TRACE(failure.name);
        std::string path = "/dl/" + std::string(failure.name) + ".cdp";
        for (char& c : path)
            c = c == ' ' ? '_' : c;
        service.ServeFile(path, std::string(1000, 'b'));
        service.SetFault(path, failure.fault, failure.argument);
        for (std::int32_t mode : {ModeDownload, ModePage}) {
            Status status = WaitFor(Start(service.UrlOf(path), mode));
            EXPECT_EQ(status.result, failure.result);
            EXPECT_EQ(status.file, "");
            // Only a page's failure carries a text.
            EXPECT_EQ(status.text.empty(), mode == ModeDownload);
        }
    }
    EXPECT_TRUE(std::filesystem::is_empty(installation.Root() + "/UserData/cache/web"));
}

TEST_F(WebQueryTest, OtherSchemesAreRefusedAtOnce)
{
    StartDaemon();
    for (const char* url :
         {"file:///etc/passwd", "ftp://127.0.0.1/a.cdp", "gopher://127.0.0.1/", "no url at all", "", "http://"}) {
        SCOPED_TRACE(url);
        Handle handle = Start(url, ModePage);
        Status status = Poll(handle);
        EXPECT_TRUE(status.complete);
        EXPECT_NE(status.result, 0u);
        EXPECT_EQ(status.file, "");
        EXPECT_FALSE(status.text.empty());
    }
}

TEST_F(WebQueryTest, BodiesOverTheCapAreRefused)
{
    StartDaemon("web-max-bytes 100\n");
    Status status = WaitFor(Start(service.UrlOf("/dl/a.cdp"), ModeDownload));
    EXPECT_EQ(status.result, 1063u);
    EXPECT_EQ(status.file, "");
}

TEST_F(WebQueryTest, AStoppedServiceFailsTheQuery)
{
    StartDaemon();
    std::string url = service.UrlOf("/dl/a.cdp");
    service.Stop();
    Status status = WaitFor(Start(url, ModePage));
    EXPECT_EQ(status.result, 1007u);
    EXPECT_FALSE(status.text.empty());
}

TEST_F(WebQueryTest, HandlesAreKnownOnlyToTheirConnection)
{
    StartDaemon();
    Handle handle = Start(service.UrlOf("/dl/a.cdp"), ModeDownload);
    ASSERT_EQ(WaitFor(handle).result, 0u);

    KADTestClient other;
    ASSERT_TRUE(other.Connect(port));
    ASSERT_TRUE(other.Handshake(installation.ClientDatabasePath()));
    Status foreign = Poll(handle, &other);
    EXPECT_TRUE(foreign.complete);
    EXPECT_NE(foreign.result, 0u);
    EXPECT_EQ(foreign.file, "");
    Status unknown = Poll(Handle{handle.first, handle.second + 1});
    EXPECT_TRUE(unknown.complete);
    EXPECT_NE(unknown.result, 0u);
    Status none = Poll(Handle{-1, -1});
    EXPECT_TRUE(none.complete);
    EXPECT_NE(none.result, 0u);
}

TEST_F(WebQueryTest, AStartRequestCutShortGivesNoHandle)
{
    StartDaemon();
    TBuffer payload;
    payload.WriteUInt8(0);
    payload.WriteUInt32(100);  // a URL length with no text behind it
    KADBytes reply;
    ASSERT_TRUE(client.Call(KADRequestCode::StartWebQuery, BytesOf(payload), reply));
    TBuffer in;
    Fill(in, reply);
    EXPECT_EQ(in.ReadInt32(0), -1);
    EXPECT_EQ(in.ReadInt32(0), -1);
}

}  // namespace
