// RunCommandHost against a scripted daemon: registration first, answers in order, the two ways the loop ends.
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/base/console_control.h"
#include "foundation/base/crash_dump.h"
#include "foundation/base/process_values.h"
#include "results/results_log.h"
#include "foundation/streams/t_buffer.h"
#include "assetdb/client_test_environment.h"
#include "assetdb/kad_client.h"
#include "assetdb/kad_command_host.h"
#include "assetdb/kad_command_host_question.h"
#include "assetdb/protocol/kad_protocol.h"
#include "support/fake_daemon.h"

#ifdef KORVEL_TEST_HOOKS
namespace {

KADBytes QuestionBytes(const KADCommandHostQuestion& question)
{
    TBuffer buffer;
    WriteCommandHostQuestion(buffer, question);
    return KADBytes(buffer.Data(), buffer.Data() + buffer.DataLength());
}

// What the scripted daemon saw of the host: request codes and the CommandHostAnswer payloads.
struct HostTranscript {
    std::mutex lock;
    std::vector<int32_t> codes;
    std::vector<KADBytes> answers;
};

// Replies to every request; keep-alives may come at any point. Returns the
// next request that is not a keep-alive, false when the host went away.
bool NextRequest(FakeDaemonConnection& connection, HostTranscript& transcript, int32_t& code, KADBytes& payload)
{
    int32_t id = 0;
    while (connection.ReadRequest(code, id, payload)) {
        {
            std::lock_guard<std::mutex> hold(transcript.lock);
            transcript.codes.push_back(code);
            if (code == KADRequestNumber(KADRequestCode::CommandHostAnswer))
                transcript.answers.push_back(payload);
        }
        connection.Send(KADEncodeReply(id, nullptr, 0));
        if (code != KADRequestNumber(KADRequestCode::HostKeepAlive))
            return true;
    }
    return false;
}

class CommandHostLoopTest : public FakeDaemonTest {
protected:
    void SetUp() override
    {
        SetMainThreadId();
        ResetCrashHandlersForTest();
        KADCommandHostServices services;
        services.validateFolder = [](const Zel::PString&, const Zel::String& folder, ResultsLog& log) {
            log.AddMessage(ResultsLog::MessageKind::Info, folder.c_str());
            return true;
        };
        SetCommandHostServices(std::move(services));
    }
    void TearDown() override
    {
        FakeDaemonTest::TearDown();
        SetCommandHostServices({});
        ResetCrashHandlersForTest();
    }

    void Start(FakeDaemonScript script)
    {
        FakeDaemonScript idle = [](FakeDaemonConnection& connection) { connection.WaitForClose(); };
        StartWith(ClientTestDatabasePath(), {script, idle});
    }

    HostTranscript transcript_;
};

TEST_F(CommandHostLoopTest, RegistersAnswersInOrderAndEndsWhenTheDaemonDrops)
{
    KADCommandHostQuestion validate;
    validate.commandId = 0;
    validate.assetName = "local";
    validate.folder = "/r/UserData/local/a";
    Start([&](FakeDaemonConnection& connection) {
        if (!connection.AcceptHandshake())
            return;
        int32_t code = 0;
        KADBytes payload;
        if (!NextRequest(connection, transcript_, code, payload))
            return;
        KADBytes question = QuestionBytes(validate);
        connection.Send(
            KADEncodeNote(static_cast<int32_t>(KADNoteType::HostQuestion), question.data(), question.size()));
        if (!NextRequest(connection, transcript_, code, payload))
            return;
        const uint8_t unreadable[] = {0, 0, 0, 0, 9, 0, 0, 0};
        connection.Send(KADEncodeNote(static_cast<int32_t>(KADNoteType::HostQuestion), unreadable, sizeof unreadable));
        NextRequest(connection, transcript_, code, payload);
        connection.Close();
    });

    EXPECT_FALSE(RunCommandHost());

    std::lock_guard<std::mutex> hold(transcript_.lock);
    ASSERT_GE(transcript_.codes.size(), 3u);
    EXPECT_EQ(transcript_.codes.front(), KADRequestNumber(KADRequestCode::RegisterCommandHost));
    ASSERT_EQ(transcript_.answers.size(), 2u);
    TBuffer answer;
    answer.WriteBytes(transcript_.answers[0].data(), int64_t(transcript_.answers[0].size()));
    answer.Rewind();
    ResultsLog log;
    int32_t result = 0;
    std::vector<KUID> notInstalled;
    ASSERT_TRUE(ReadCommandHostAnswer(answer, 0, log, result, notInstalled));
    EXPECT_EQ(result, 1);
    ASSERT_EQ(log.LineCount(), 1);
    EXPECT_STREQ(log.Lines()[0].text.c_str(), "/r/UserData/local/a");
    EXPECT_TRUE(transcript_.answers[1].empty());
    // The host ended in order: hook gone, handlers off.
    EXPECT_EQ(KADClient::GetCommandHostHook(), nullptr);
    EXPECT_FALSE(CrashHandlersInstalled());
    EXPECT_EQ(GetCrashDumpMode(), 1);
}

// An idle host says it is alive with an empty HostKeepAlive (after 100 job
// waits, about 5 s); the daemon's drop then ends it.
TEST_F(CommandHostLoopTest, IdleHostSendsEmptyKeepAlives)
{
    std::atomic<bool> keepAliveEmpty{false};
    Start([&](FakeDaemonConnection& connection) {
        if (!connection.AcceptHandshake())
            return;
        int32_t code = 0;
        int32_t id = 0;
        KADBytes payload;
        while (connection.ReadRequest(code, id, payload)) {
            connection.Send(KADEncodeReply(id, nullptr, 0));
            if (code == KADRequestNumber(KADRequestCode::HostKeepAlive)) {
                keepAliveEmpty = payload.empty();
                break;
            }
        }
        connection.Close();
    });
    EXPECT_FALSE(RunCommandHost());
    EXPECT_TRUE(keepAliveEmpty.load());
}

TEST_F(CommandHostLoopTest, ConsoleCloseEndsTheLoopWhileConnected)
{
    std::atomic<bool> registered{false};
    Start([&](FakeDaemonConnection& connection) {
        if (!connection.AcceptHandshake())
            return;
        int32_t code = 0;
        KADBytes payload;
        while (NextRequest(connection, transcript_, code, payload))
            if (code == KADRequestNumber(KADRequestCode::RegisterCommandHost))
                registered = true;
    });
    std::thread console([&] {
        while (!registered.load() || !CrashHandlersInstalled())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ConsoleCtrlHandler(ConsoleControlC);
    });
    EXPECT_FALSE(RunCommandHost());
    console.join();
    EXPECT_TRUE(KADClient::IsConnected());
    EXPECT_EQ(GetCrashDumpMode(), 1);
    EXPECT_EQ(KADClient::GetCommandHostHook(), nullptr);
}

}  // namespace
#endif
