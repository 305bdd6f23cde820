// The command host's questions and answers: round trips, golden bytes and hostile input.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "results/results_log.h"
#include "foundation/streams/t_buffer.h"
#include "assetdb/kad_command_host_question.h"

namespace {

void Fill(TBuffer& buffer, const std::vector<uint8_t>& bytes)
{
    buffer.WriteBytes(bytes.data(), int64_t(bytes.size()));
    buffer.Rewind();
}

std::vector<uint8_t> BytesOf(TBuffer& buffer)
{
    return std::vector<uint8_t>(buffer.Data(), buffer.Data() + buffer.DataLength());
}

void AppendWord(std::vector<uint8_t>& bytes, uint32_t word)
{
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(uint8_t(word >> shift));
}

void AppendText(std::vector<uint8_t>& bytes, const char* text, bool terminated)
{
    uint32_t length = uint32_t(std::strlen(text));
    AppendWord(bytes, terminated ? length + 1 : length);
    bytes.insert(bytes.end(), text, text + length);
    if (terminated)
        bytes.push_back(0);
}

KADCommandHostQuestion Reread(const KADCommandHostQuestion& question)
{
    TBuffer buffer;
    WriteCommandHostQuestion(buffer, question);
    buffer.Rewind();
    KADCommandHostQuestion read;
    EXPECT_TRUE(ReadCommandHostQuestion(buffer, read));
    EXPECT_TRUE(buffer.Eof());
    return read;
}

// Golden bytes: validation sends the folder as a PString (counted with its
// zero), texture conversion as a plain String; both write back byte for byte.
TEST(CommandHostQuestionTest, FolderQuestionsReadTheirOwnStringForms)
{
    const struct {
        int32_t id;
        const char* store;
        const char* folder;
        bool folderTerminated;
    } cases[] = {
        {0, "local", "/r/UserData/local/a", true},
        {1, "editing", "/r/UserData/editing/b", false},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.id);
        std::vector<uint8_t> bytes;
        AppendWord(bytes, uint32_t(test.id));
        AppendText(bytes, test.store, true);
        AppendText(bytes, test.folder, test.folderTerminated);
        TBuffer buffer;
        Fill(buffer, bytes);
        KADCommandHostQuestion read;
        ASSERT_TRUE(ReadCommandHostQuestion(buffer, read));
        EXPECT_TRUE(buffer.Eof());
        EXPECT_EQ(read.commandId, test.id);
        EXPECT_TRUE(read.IsSupported());
        EXPECT_STREQ(read.assetName.c_str(), test.store);
        EXPECT_STREQ(read.folder.c_str(), test.folder);
        TBuffer written;
        WriteCommandHostQuestion(written, read);
        EXPECT_EQ(BytesOf(written), bytes);
    }
}

TEST(CommandHostQuestionTest, ArchiveQuestionsRoundTrip)
{
    for (int32_t id : {2, 3}) {
        KADCommandHostQuestion question;
        question.commandId = id;
        question.archiveTag = 0xA1B2C3D4u;
        question.filePath = "/tmp/transfer.crak";
        question.assets = {KUID(1, 2, 0), KUID(-5, 7, 127), KUID(300, 9, 4)};
        KADCommandHostQuestion read = Reread(question);
        EXPECT_EQ(read.commandId, id);
        EXPECT_EQ(read.archiveTag, question.archiveTag);
        EXPECT_STREQ(read.filePath.c_str(), "/tmp/transfer.crak");
        EXPECT_EQ(read.assets, question.assets);
    }
}

TEST(CommandHostQuestionTest, UnknownCommandReadsOnlyItsId)
{
    std::vector<uint8_t> bytes;
    AppendWord(bytes, 77);
    AppendWord(bytes, 0xFFFFFFFFu);
    TBuffer buffer;
    Fill(buffer, bytes);
    KADCommandHostQuestion read;
    ASSERT_TRUE(ReadCommandHostQuestion(buffer, read));
    EXPECT_EQ(read.commandId, 77);
    EXPECT_FALSE(read.IsSupported());
}

// Every question that cannot be read whole is refused, and nothing is
// allocated from a count the bytes do not back.
TEST(CommandHostQuestionTest, HostileQuestionsAreRefused)
{
    auto archive = [](uint32_t count, size_t kuidBytes) {
        std::vector<uint8_t> bytes;
        AppendWord(bytes, 3);
        AppendWord(bytes, 1);
        AppendText(bytes, "/tmp/a", true);
        AppendWord(bytes, count);
        bytes.insert(bytes.end(), kuidBytes, 0x11);
        return bytes;
    };
    std::vector<uint8_t> shortId = {0, 0};
    std::vector<uint8_t> truncatedName;
    AppendWord(truncatedName, 0);
    AppendWord(truncatedName, 20);
    truncatedName.push_back('x');
    std::vector<uint8_t> missingFolder;
    AppendWord(missingFolder, 1);
    AppendText(missingFolder, "local", true);
    std::vector<uint8_t> hugeString;
    AppendWord(hugeString, 0);
    AppendWord(hugeString, 0x10000);
    hugeString.insert(hugeString.end(), 16, 'a');

    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"empty", {}},
        {"short id", shortId},
        {"truncated name", truncatedName},
        {"missing folder", missingFolder},
        {"string of 64 KiB", hugeString},
        {"count of four billion", archive(0xFFFFFFFFu, 16)},
        {"count one past the bytes", archive(3, 16)},
        {"half a KUID", archive(1, 4)},
        {"missing count", archive(0, 0)},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        std::vector<uint8_t> bytes = test.bytes;
        if (std::string(test.name) == "missing count")
            bytes.resize(bytes.size() - 4);
        TBuffer buffer;
        Fill(buffer, bytes);
        KADCommandHostQuestion read;
        EXPECT_FALSE(ReadCommandHostQuestion(buffer, read));
        EXPECT_TRUE(read.assets.empty());
    }
}

TEST(CommandHostAnswerTest, AnswersCarryTheLogThenTheResultOfTheirCommand)
{
    ResultsLog log;
    log.AddMessage(ResultsLog::MessageKind::Warning, "careful");
    log.AddAssetMessage(ResultsLog::MessageKind::Error, KUID(5, 6, 0), "broken");
    const struct {
        int32_t id;
        int32_t result;
        size_t resultBytes;
    } cases[] = {{0, 1, 1}, {1, 2, 4}, {2, 1, 4}, {3, 0, 4 + 2 * 8}};
    TBuffer logOnly;
    log.WriteTo(logOnly, 0);
    for (const auto& test : cases) {
        SCOPED_TRACE(test.id);
        std::vector<KUID> missing;
        if (test.id == 3)
            missing = {KUID(1, 1, 0), KUID(2, 2, 2)};
        TBuffer answer;
        WriteCommandHostAnswer(answer, test.id, log, test.result, missing);
        EXPECT_EQ(answer.DataLength(), logOnly.DataLength() + int64_t(test.resultBytes));
        answer.Rewind();
        ResultsLog read;
        int32_t result = -9;
        std::vector<KUID> notInstalled;
        ASSERT_TRUE(ReadCommandHostAnswer(answer, test.id, read, result, notInstalled));
        EXPECT_EQ(read.LineCount(), 2);
        EXPECT_EQ(read.ErrorCount(), 1);
        EXPECT_EQ(result, test.id == 3 ? 0 : test.result);
        EXPECT_EQ(notInstalled, missing);
    }
}

TEST(CommandHostAnswerTest, EmptyOrShortAnswersAreFailures)
{
    ResultsLog log;
    TBuffer full;
    WriteCommandHostAnswer(full, 3, log, 0, {KUID(1, 1, 0)});
    for (int64_t cut = 0; cut < full.DataLength(); ++cut) {
        SCOPED_TRACE(cut);
        TBuffer answer;
        answer.WriteBytes(full.Data(), cut);
        answer.Rewind();
        ResultsLog read;
        int32_t result = 0;
        std::vector<KUID> notInstalled;
        EXPECT_FALSE(ReadCommandHostAnswer(answer, 3, read, result, notInstalled));
        EXPECT_TRUE(notInstalled.empty());
    }
}

}  // namespace
