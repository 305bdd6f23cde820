// The repair task and web-query records against a scripted daemon: StartRepair, GetRepairProgress, StartWebQuery, CloseWebQuery and GetWebQueryStatus.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "results/results_log.h"
#include "foundation/streams/t_buffer.h"
#include "assetdb/client_test_environment.h"
#include "assetdb/install_from_chb.h"
#include "assetdb/kad_client.h"
#include "assetdb/protocol/kad_protocol.h"
#include "assetdb/kad_task.h"
#include "assetdb/kad_web_query.h"
#include "assetdb/repair_task.h"
#include "soup/soup_handle.h"
#include "soup/text_soup.h"
#include "support/fake_daemon.h"
#include "support/kad_wire_bytes.h"

namespace {

using KorvelTest::BytesOfBuffer;
using KorvelTest::RequestNumbers;

KADBytes ProgressReply(bool running, float progress, const char* text)
{
    TBuffer buffer;
    buffer.WriteBool(running);
    buffer.WriteFloat(progress);
    buffer.WriteString(Zel::AnsiString(text));
    return BytesOfBuffer(buffer);
}

// A type-3 note with one error line for the transaction.
KADBytes ErrorLinesNote(int32_t transactionId, const char* text)
{
    ResultsLog lines;
    lines.AddMessage(ResultsLog::MessageKind::Error, text);
    TBuffer buffer;
    buffer.WriteUInt32(static_cast<uint32_t>(transactionId));
    lines.WriteTo(buffer, 0);
    return KADEncodeNote(static_cast<int32_t>(KADNoteType::ResultLines), buffer.Data(),
                         static_cast<size_t>(buffer.DataLength()));
}

class ScriptedRepairTest : public FakeDaemonTest {
protected:
    void SetUp() override
    {
        KADTaskRepairDatabase::SetPollDelays(0, 0);
        StartAnswering(ClientTestDatabasePath());
    }
    void TearDown() override
    {
        FakeDaemonTest::TearDown();
        KADTaskRepairDatabase::SetPollDelays(1000, 250);
    }

    bool Respond(FakeDaemonConnection& connection, int32_t code, int32_t id, const KADBytes&, KADBytes& reply) override
    {
        {
            std::lock_guard<std::mutex> hold(lock);
            if (code == KADRequestNumber(KADRequestCode::StartRepair))
                repairTransaction = id;
            // The repair's lines go out while it runs, after StartRepair
            // has been answered: the task's log must still receive them.
            if (code == KADRequestNumber(KADRequestCode::GetRepairProgress) && repairTransaction != 0 &&
                !lateLine.empty()) {
                connection.Send(ErrorLinesNote(repairTransaction, lateLine.c_str()));
                lateLine.clear();
            }
            if (code == KADRequestNumber(KADRequestCode::GetRepairProgress) && !progress.empty()) {
                reply = progress.front();
                progress.pop_front();
            } else if (code == KADRequestNumber(KADRequestCode::GetRepairProgress)) {
                reply = ProgressReply(false, 1.0f, "");
            } else {
                reply = replies[code];
            }
        }
        // The daemon ends once the repair has started; the next connection
        // reaches one that knows no repair.
        if (code == KADRequestNumber(KADRequestCode::StartRepair) && connection.Number() == 0 && dropAfterStart) {
            connection.Send(KADEncodeReply(id, reply.data(), reply.size()));
            return false;
        }
        return true;
    }

    int Count(KADRequestCode code)
    {
        int count = 0;
        for (int32_t seenCode : SeenCodes())
            count += seenCode == KADRequestNumber(code) ? 1 : 0;
        return count;
    }

    std::mutex lock;
    std::map<int32_t, KADBytes> replies;
    std::deque<KADBytes> progress;
    std::string lateLine;
    int32_t repairTransaction = 0;
    bool dropAfterStart = false;
};

// Records what the repair gives the owner task.
class RecordingTask : public KADTask {
public:
    void AddText(const Zel::String& text) override
    {
        texts.push_back(text.c_str());
        if (onText)
            onText(*this);
    }
    void SetProgress(float value) override { progress.push_back(value); }

    std::vector<std::string> texts;
    std::vector<float> progress;
    std::function<void(RecordingTask&)> onText;
};

TEST_F(ScriptedRepairTest, ARepairThatAlreadyEndedAsksForProgressOnce)
{
    RecordingTask task;
    KADTaskRepairDatabase repair(KADRepairModeExtended, nullptr);
    repair.RunOnCallingThread(&task);
    EXPECT_EQ(SeenCodes(), RequestNumbers({KADRequestCode::StartRepair, KADRequestCode::GetRepairProgress}));
    const std::vector<FakeDaemonRequest> seen = Seen();
    TBuffer mode;
    mode.WriteInt32(150);
    EXPECT_EQ(seen[0].payload, BytesOfBuffer(mode));
    EXPECT_TRUE(seen[1].payload.empty());
    EXPECT_FALSE(IsRepairRunning());
}

TEST_F(ScriptedRepairTest, ProgressAndTextReachTheOwnerUntilTheRepairEnds)
{
    progress = {ProgressReply(true, 0.25f, "Scanning"), ProgressReply(true, 0.75f, "Indexing")};
    RecordingTask task;
    KADTaskRepairDatabase repair(KADRepairModeNormal, nullptr);
    repair.RunOnCallingThread(&task);
    EXPECT_EQ(Count(KADRequestCode::GetRepairProgress), 3);
    EXPECT_EQ(task.texts, (std::vector<std::string>{"Scanning", "Indexing"}));
    EXPECT_EQ(task.progress, (std::vector<float>{0.25f, 0.75f}));
}

TEST_F(ScriptedRepairTest, LinesSentAfterTheStartReplyStillReachTheTask)
{
    lateLine = "Asset folder kuid_1_2_0 cannot be read";
    progress = {ProgressReply(true, 0.5f, "")};
    RecordingTask task;
    KADTaskRepairDatabase repair(KADRepairModeNormal, nullptr);
    repair.RunOnCallingThread(&task);
    EXPECT_EQ(task.ErrorCount(), 1);
}

TEST_F(ScriptedRepairTest, ARepairWhoseDaemonWentAwayEndsWithAnErrorLineNotASuccess)
{
    dropAfterStart = true;
    RecordingTask task;
    KADTaskRepairDatabase repair(KADRepairModeNormal, nullptr);
    repair.RunOnCallingThread(&task);
    EXPECT_EQ(task.ErrorCount(), 1);
    EXPECT_FALSE(IsRepairRunning());
}

TEST_F(ScriptedRepairTest, CancelEndsThePollingAfterTheCurrentStep)
{
    for (int i = 0; i < 10; ++i)
        progress.push_back(ProgressReply(true, 0.1f * i, "step"));
    RecordingTask task;
    task.onText = [](RecordingTask& self) {
        if (self.texts.size() == 2)
            self.RequestCancel();
    };
    KADTaskRepairDatabase repair(KADRepairModeNormal, nullptr);
    repair.RunOnCallingThread(&task);
    EXPECT_EQ(Count(KADRequestCode::GetRepairProgress), 2);
    // The daemon's repair is not told.
    EXPECT_EQ(Count(KADRequestCode::StartRepair), 1);
}

TEST_F(ScriptedRepairTest, ASecondRepairWhileOneRunsOnlySaysSo)
{
    progress = {ProgressReply(true, 0.5f, "first")};
    RecordingTask task;
    RecordingTask secondOwner;
    task.onText = [&secondOwner](RecordingTask&) {
        EXPECT_TRUE(IsRepairRunning());
        KADTaskRepairDatabase second(KADRepairModeNormal, nullptr);
        second.RunOnCallingThread(&secondOwner);
    };
    KADTaskRepairDatabase repair(KADRepairModeNormal, nullptr);
    repair.RunOnCallingThread(&task);
    EXPECT_EQ(Count(KADRequestCode::StartRepair), 1);
    ASSERT_EQ(secondOwner.texts.size(), 1u);
    EXPECT_FALSE(secondOwner.texts[0].empty());
}

TEST_F(ScriptedRepairTest, ATaskOnItsOwnThreadTellsItsOwnerWhenItEnds)
{
    class FinishingTask : public KADTask {
    public:
        void OnTaskFinished() override { finished = true; }
        bool finished = false;
    };
    FinishingTask task;
    auto* repair = new KADTaskRepairDatabase(KADRepairModeNormal, nullptr);
    task.SetWorker(repair);
    ASSERT_TRUE(repair->StartThread(&task));
    ASSERT_TRUE(repair->Lock(-1));
    EXPECT_TRUE(task.finished);
    EXPECT_FALSE(task.IsRunning());
    EXPECT_EQ(Count(KADRequestCode::StartRepair), 1);
}

TEST(KADTaskThreadTest, NoFreeSpaceIsKnownForAMissingFolder)
{
    KADTaskThread thread;
    EXPECT_FALSE(thread.HasFreeDiskSpace(Zel::File::Path("/no/such/folder/at/all")));
}

TEST_F(ScriptedRepairTest, AWebQueryStartSendsTheUrlAndModeAndKeepsTheHandle)
{
    TBuffer handle;
    handle.WriteInt32(7);
    handle.WriteInt32(99);
    replies[KADRequestNumber(KADRequestCode::StartWebQuery)] = BytesOfBuffer(handle);
    URL url;
    url.Parse("https://cargohub.korvel.invalid/dl/a.cdp");
    KADWebQuery* query = KADWebQuery::Start(url, KADWebQueryModeDownload);
    EXPECT_EQ(query->handleFirst, 7);
    EXPECT_EQ(query->handleSecond, 99);
    {
        const std::vector<FakeDaemonRequest> seen = Seen();
        TBuffer expected;
        expected.WriteUInt8(0);
        expected.WritePString(Zel::PString("https://cargohub.korvel.invalid/dl/a.cdp"));
        expected.WriteInt32(0);
        expected.WriteInt32(-1);
        // The binary form of no soup: the 16-byte header with an empty body.
        KADBytes payload = BytesOfBuffer(expected);
        ASSERT_EQ(seen[0].payload.size(), payload.size() + 16);
        EXPECT_TRUE(std::equal(payload.begin(), payload.end(), seen[0].payload.begin()));
    }
    KADWebQuery::Delete(query);
    EXPECT_EQ(SeenCodes(), RequestNumbers({KADRequestCode::StartWebQuery, KADRequestCode::CloseWebQuery}));
}

TEST_F(ScriptedRepairTest, ACompleteStatusIsCachedAndAnEmptyReplyCountsAsComplete)
{
    TBuffer status;
    status.WriteBool(true);
    status.WriteUInt32(200);
    status.WriteUInt32(0);
    status.WriteUInt32(10);
    status.WriteString(Zel::AnsiString("/tmp/q1.dat"));
    status.WritePString(Zel::PString());
    replies[KADRequestNumber(KADRequestCode::GetWebQueryStatus)] = BytesOfBuffer(status);
    URL url;
    url.Parse("http://127.0.0.1/x");
    KADWebQuery* query = KADWebQuery::Start(url, KADWebQueryModePage);
    Zel::File::Path file;
    Zel::PString text;
    EXPECT_TRUE(query->GetResultFile(file, text));
    EXPECT_STREQ(file.c_str(), "/tmp/q1.dat");
    EXPECT_TRUE(query->IsComplete());
    EXPECT_EQ(query->GetResultCode(), 0u);
    EXPECT_EQ(Count(KADRequestCode::GetWebQueryStatus), 1);

    replies[KADRequestNumber(KADRequestCode::GetWebQueryStatus)] = KADBytes();
    KADWebQuery* empty = KADWebQuery::Start(url, KADWebQueryModePage);
    EXPECT_TRUE(empty->IsComplete());
    EXPECT_FALSE(empty->GetResultFile(file, text));
    KADWebQuery::Delete(query);
    KADWebQuery::Delete(empty);
}

TEST_F(ScriptedRepairTest, SearchRecordsAreKeptOncePerLatestVersion)
{
    auto record = [](int n, const char* requested, const char* latest, const char* path) {
        return std::to_string(n) + "\n{\n  requires " + requested + "\n  latest-version " + latest +
               "\n  latest-version-path \"" + path + "\"\n  latest-version-size 10\n}\n";
    };
    std::string text = record(0, "<kuid:1:2>", "<kuid2:1:2:3>", "http://h/a.cdp") +
                       record(1, "<kuid:1:5>", "<kuid2:1:2:3>", "http://h/a.cdp") +
                       record(2, "<kuid:1:7>", "<kuid:1:7>", "/no/host.cdp") +
                       record(4, "<kuid:1:9>", "<kuid:1:9>", "http://h/b.cdp");
    const char* answer = text.c_str();
    SoupHandle soup;
    ReadTextSoup(soup, answer, std::strlen(answer), true);
    CHBSearchResultList list;
    ParseCHBSearchResults(soup, list);
    std::vector<std::string> kept;
    for (const CHBSearchResult& record : list)
        kept.push_back(record.latestVersion.ToTagString().c_str());
    // "4" is never reached: the records end at the first missing number.
    EXPECT_EQ(kept, (std::vector<std::string>{"<kuid2:1:2:3>", "<kuid:1:7>"}));
    EXPECT_EQ(Count(KADRequestCode::SetAssetDownloadSize), 3);
    // Only the two records whose latest version differs from the asked one.
    EXPECT_EQ(Count(KADRequestCode::SetLatestVersion), 2);

    CHBSearchResultList none;
    std::string noneText = "none 1\n" + record(0, "<kuid:1:2>", "<kuid2:1:2:3>", "http://h/a.cdp");
    const char* noneAnswer = noneText.c_str();
    SoupHandle noneSoup;
    ReadTextSoup(noneSoup, noneAnswer, std::strlen(noneAnswer), true);
    ParseCHBSearchResults(noneSoup, none);
    EXPECT_TRUE(none.begin() == none.end());
}

TEST(CHBSearchUrlTest, TheSearchAsksForTheAssetInColonForm)
{
    URL url = MakeCHBSearchUrl(KUID(123, 456, 0));
    EXPECT_EQ(url.Format(), "https://cargohub.korvel.invalid/webservice/search?Banners=1&SearchCriteria=123:456"
                            "&textsearchID=1&DependencyLevel=5");
}

}  // namespace
