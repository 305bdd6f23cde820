// CommandHostCallback: each question's work and answer, unsupported and unreadable questions.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "results/results_log.h"
#include "foundation/streams/t_buffer.h"
#include "assetdb/kad_command_host.h"
#include "assetdb/kad_command_host_question.h"

namespace {

struct Calls {
    std::string store;
    std::string folder;
    int count = 0;
};

class CommandHostCallbackTest : public testing::Test {
protected:
    void SetUp() override
    {
        KADCommandHostServices services;
        services.validateFolder = [this](const Zel::PString& store, const Zel::String& folder, ResultsLog& log) {
            Record(store, folder);
            log.AddMessage(ResultsLog::MessageKind::Warning, "thumbnail is missing");
            return true;
        };
        services.convertTextures = [this](const Zel::PString& store, const Zel::String& folder, ResultsLog&) {
            Record(store, folder);
            return 2;
        };
        SetCommandHostServices(std::move(services));
    }
    void TearDown() override { SetCommandHostServices({}); }

    void Record(const Zel::PString& store, const Zel::String& folder)
    {
        calls_.store = store.c_str();
        calls_.folder = folder.c_str();
        ++calls_.count;
    }

    // Asks the question and returns the answer, rewound.
    void Ask(const KADCommandHostQuestion& question, TBuffer& answer)
    {
        TBuffer asked;
        WriteCommandHostQuestion(asked, question);
        asked.Rewind();
        CommandHostCallback(asked, answer);
        answer.Rewind();
    }

    // Asks the question and reads the answer; false when it is empty or short.
    bool AskAndRead(const KADCommandHostQuestion& question, ResultsLog& log, int32_t& result,
                    std::vector<KUID>& notInstalled)
    {
        TBuffer answer;
        Ask(question, answer);
        bool read = ReadCommandHostAnswer(answer, question.commandId, log, result, notInstalled);
        EXPECT_TRUE(answer.Eof());
        return read;
    }

    Calls calls_;
};

KADCommandHostQuestion FolderQuestion(int32_t id)
{
    KADCommandHostQuestion question;
    question.commandId = id;
    question.assetName = "local";
    question.folder = "/r/UserData/local/kuid_1_2_0/r1/loco";
    return question;
}

TEST_F(CommandHostCallbackTest, ValidateAnswersTheLinesAndTheVerdict)
{
    ResultsLog log;
    int32_t result = 0;
    std::vector<KUID> notInstalled;
    ASSERT_TRUE(AskAndRead(FolderQuestion(0), log, result, notInstalled));
    EXPECT_EQ(calls_.count, 1);
    EXPECT_EQ(calls_.store, "local");
    EXPECT_EQ(calls_.folder, "/r/UserData/local/kuid_1_2_0/r1/loco");
    EXPECT_EQ(result, 1);
    EXPECT_EQ(log.WarningCount(), 1);
}

TEST_F(CommandHostCallbackTest, TextureConversionPassesTheResultOnUnchanged)
{
    ResultsLog log;
    int32_t result = 0;
    std::vector<KUID> notInstalled;
    ASSERT_TRUE(AskAndRead(FolderQuestion(1), log, result, notInstalled));
    EXPECT_EQ(result, 2);
    EXPECT_EQ(log.LineCount(), 0);
}

TEST_F(CommandHostCallbackTest, UnsupportedAndUnreadableQuestionsGetAnEmptyAnswer)
{
    TBuffer unsupported;
    unsupported.WriteInt32(4);
    TBuffer truncated;
    truncated.WriteInt32(0);
    truncated.WriteUInt32(50);
    TBuffer empty;
    for (TBuffer* question : {&unsupported, &truncated, &empty}) {
        question->Rewind();
        TBuffer answer;
        CommandHostCallback(*question, answer);
        EXPECT_EQ(answer.DataLength(), 0);
    }
    EXPECT_EQ(calls_.count, 0);
}

TEST_F(CommandHostCallbackTest, MissingServicesAnswerWithAnErrorLine)
{
    SetCommandHostServices({});
    const struct {
        int32_t id;
    } cases[] = {{0}, {1}, {2}, {3}};
    for (const auto& test : cases) {
        SCOPED_TRACE(test.id);
        KADCommandHostQuestion question = FolderQuestion(test.id);
        question.filePath = "/tmp/unused.crak";
        question.assets = {KUID(1, 2, 0)};
        ResultsLog log;
        int32_t result = -1;
        std::vector<KUID> notInstalled;
        ASSERT_TRUE(AskAndRead(question, log, result, notInstalled));
        EXPECT_EQ(log.ErrorCount(), 1);
        EXPECT_EQ(result, 0);
        if (test.id == 3) {
            EXPECT_EQ(notInstalled, question.assets);
        }
    }
}

}  // namespace
