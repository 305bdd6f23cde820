// The command-host manager against host connections made here: question out, answer matched, a host gone mid-question.
#include "daemon/command_host_manager.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "results/results_log.h"
#include "assetdb/kad_command_host_question.h"
#include "assetdb/protocol/kad_protocol.h"
#include "daemon/daemon_connection.h"
#include "daemon/daemon_paths.h"
#include "support/temp_folder.h"

namespace {

// One end is the daemon's connection to the host; the test plays the host on the other.
struct FakeHost {
    std::shared_ptr<KADConnection> connection;
    int peer = -1;

    FakeHost()
    {
        int ends[2];
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
            return;
        connection = std::make_shared<KADConnection>(ends[0]);
        peer = ends[1];
    }
    ~FakeHost()
    {
        if (connection)
            connection->Shutdown();
        if (peer >= 0)
            close(peer);
    }

    // The next count bytes the daemon sent, or fewer when the socket ended.
    KADBytes Receive(std::size_t count) const
    {
        KADBytes bytes(count);
        ssize_t got = recv(peer, bytes.data(), count, MSG_WAITALL);
        bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        return bytes;
    }
};

KADCommandHostQuestion ValidateQuestion()
{
    KADCommandHostQuestion question;
    question.commandId = static_cast<int32_t>(KADCommandHostCommand::Validate);
    question.assetName = Zel::PString("lamp-store");
    question.folder = Zel::String("/tmp/store/Lamp");
    return question;
}

KADBytes ExpectedNote(const KADCommandHostQuestion& question)
{
    TBuffer payload;
    WriteCommandHostQuestion(payload, question);
    return KADEncodeNote(static_cast<int32_t>(KADNoteType::HostQuestion), payload.Data(),
                         static_cast<std::size_t>(payload.DataLength()));
}

struct Outcome {
    bool answered = false;
    TBuffer answer;
    std::string error;
};

std::future<std::shared_ptr<Outcome>> AskInBackground(const KADCommandHostQuestion& question)
{
    return std::async(std::launch::async, [question] {
        auto outcome = std::make_shared<Outcome>();
        outcome->answered = KADCommandHostManager::Instance().Ask(question, outcome->answer, outcome->error);
        return outcome;
    });
}

TEST(CommandHostManager, QuestionGoesToTheRegisteredHostAndItsAnswerComesBack)
{
    FakeHost host;
    ASSERT_TRUE(host.connection);
    KADCommandHostManager::Instance().RegisterHost(host.connection);
    KADCommandHostQuestion question = ValidateQuestion();
    auto asking = AskInBackground(question);
    KADBytes expected = ExpectedNote(question);
    ASSERT_EQ(host.Receive(expected.size()), expected);

    // An answer on another connection is not this question's answer.
    FakeHost stranger;
    TBuffer ignored;
    ignored.WriteInt32(99);
    KADCommandHostManager::Instance().TakeAnswer(stranger.connection.get(), ignored);

    ResultsLog lines;
    lines.AddMessage(ResultsLog::MessageKind::Error, "No validator is available in this build.");
    TBuffer answer;
    WriteCommandHostAnswer(answer, question.commandId, lines, 0, {});
    answer.Rewind();
    KADCommandHostManager::Instance().TakeAnswer(host.connection.get(), answer);

    std::shared_ptr<Outcome> outcome = asking.get();
    ASSERT_TRUE(outcome->answered) << outcome->error;
    ResultsLog read;
    int32_t valid = 1;
    std::vector<KUID> notInstalled;
    ASSERT_TRUE(ReadCommandHostAnswer(outcome->answer, question.commandId, read, valid, notInstalled));
    EXPECT_EQ(valid, 0);
    ASSERT_EQ(read.LineCount(), 1);
    EXPECT_STREQ(read.Lines()[0].text.c_str(), "No validator is available in this build.");

    // The host is idle again: the next question goes to it as well.
    auto next = AskInBackground(question);
    ASSERT_EQ(host.Receive(expected.size()), expected);
    KADCommandHostManager::Instance().TakeAnswer(host.connection.get(), answer);
    EXPECT_TRUE(next.get()->answered);
}

TEST(CommandHostManager, HostGoneMidQuestionFailsTheQuestionAndIsForgotten)
{
    KADCommandHostQuestion question = ValidateQuestion();
    KADBytes expected = ExpectedNote(question);
    auto first = std::make_unique<FakeHost>();
    KADCommandHostManager::Instance().RegisterHost(first->connection);
    auto asking = AskInBackground(question);
    ASSERT_EQ(first->Receive(expected.size()), expected);
    // What the server does when the host's reader ends.
    first->connection->Shutdown();

    std::shared_ptr<Outcome> outcome = asking.get();
    EXPECT_FALSE(outcome->answered);
    EXPECT_EQ(outcome->error, "The command host ended before it answered.");
    // An answer arriving after the end is dropped, harmlessly.
    TBuffer late;
    KADCommandHostManager::Instance().TakeAnswer(first->connection.get(), late);

    FakeHost second;
    KADCommandHostManager::Instance().RegisterHost(second.connection);
    auto again = AskInBackground(question);
    ASSERT_EQ(second.Receive(expected.size()), expected);
    TBuffer answer;
    WriteCommandHostAnswer(answer, question.commandId, ResultsLog(), 1, {});
    answer.Rewind();
    KADCommandHostManager::Instance().TakeAnswer(second.connection.get(), answer);
    EXPECT_TRUE(again.get()->answered);
}

TEST(CommandHostManager, HostProgramLineAsTheHostExpectsIt)
{
    EXPECT_EQ(KADCommandHostArguments("/games/korvel"),
              (std::vector<std::string>{"/games/korvel/bin/KorvelUtil", "kadcommandhost", "norender", "-nokadclient"}));
}

// The manager starts hosts from the folders the daemon hands it, not from
// where its own program happens to lie; without them it starts none.
TEST(CommandHostManager, HostStartsFromTheFoldersTheDaemonGaveAndNoneWithout)
{
    KorvelTest::TempFolder root("HostFolders");
    KADDaemonPaths paths;
    ASSERT_TRUE(KADDaemonPaths::FromExecutable(root / "bin/kaddaemon.exe", paths));
    ASSERT_TRUE(paths.CreateFolders());
    // A host program that says where and how it was started, then ends without registering.
    root.MakeFile("bin/KorvelUtil", "#!/bin/sh\necho \"$(pwd -P) $*\" > ../started.txt\n");
    ASSERT_EQ(chmod((root / "bin/KorvelUtil").c_str(), 0755), 0);

    KADCommandHostManager::Instance().UseFolders(paths);
    TBuffer answer;
    std::string error;
    EXPECT_FALSE(KADCommandHostManager::Instance().Ask(ValidateQuestion(), answer, error));
    EXPECT_EQ(error, "Unable to start a command host: it did not register in time.");
    EXPECT_EQ(root.ReadFile("started.txt"),
              std::filesystem::canonical(root / "bin").string() + " kadcommandhost norender -nokadclient\n");
    int hostLogs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(root / "UserData/cache/logs"))
        hostLogs += entry.path().filename().string().rfind("commandhost-", 0) == 0 ? 1 : 0;
    EXPECT_EQ(hostLogs, 1);
    EXPECT_NE(root.ReadFile("UserData/assets.tdx/kaddaemon.log").find("command host"), std::string::npos);

    KADCommandHostManager::Instance().UseFolders(KADDaemonPaths());
    error.clear();
    EXPECT_FALSE(KADCommandHostManager::Instance().Ask(ValidateQuestion(), answer, error));
    EXPECT_EQ(error, "Unable to start a command host: the installation folder is unknown.");
}

}  // namespace
