// status, validate, installfrompath, chbdeleteall and InstallArchiveAsset against a scripted daemon: requests sent, output and lines.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "foundation/base/install_paths.h"
#include "results/results_log.h"
#include "assetdb/client_test_environment.h"
#include "assetdb/install_archive_asset.h"
#include "assetdb/kad_asset_info.h"
#include "assetdb/kad_client.h"
#include "assetdb/protocol/kad_protocol.h"
#include "assetdb/kad_command_bodies.h"
#include "assetdb/kad_failure_report.h"
#include "soup/archive/archive_test_support.h"
#include "soup/content_signature.h"
#include "support/fake_daemon.h"
#include "support/kad_wire_bytes.h"
#include "support/nested_soups.h"
#include "support/temp_folder.h"

namespace {

using namespace KorvelTest;
using Kind = ResultsLog::MessageKind;
using ArchiveTest::ReadFile;

// The 20 fields of a reply to GetAssetInfo.
KADBytes InfoRecord(const KUID& id, const std::string& name, const std::string& category, uint8_t status0,
                    uint8_t status1, bool found = true)
{
    KADBytes bytes;
    AppendKUID(bytes, id);
    AppendStr(bytes, name);
    AppendStr(bytes, "");
    AppendStr(bytes, category);
    AppendBits(bytes, status0, 8);
    AppendBits(bytes, status1, 8);
    AppendBits(bytes, 0, 2);
    KADAppendInt32(bytes, 0);
    AppendPStr(bytes, "");
    AppendStr(bytes, "");
    KADAppendInt32(bytes, 0);
    AppendPStr(bytes, "local");
    AppendStr(bytes, category);
    AppendBits(bytes, 0, 3);
    KADAppendInt32(bytes, 255);
    float build = 3.5f;
    KADAppendBytes(bytes, &build, 4);
    for (int i = 0; i < 4; ++i)
        KADAppendInt32(bytes, 0);
    AppendKUID(bytes, NullKUID);
    bytes.push_back(found ? 1 : 0);
    return bytes;
}

// The reply of OpenAssetForEdit: handle, id, store name and folder.
KADBytes OpenForEditReply(const KUID& id, const std::string& folder)
{
    KADBytes bytes;
    KADAppendInt32(bytes, 8);
    KADAppendInt32(bytes, 9);
    AppendKUID(bytes, id);
    AppendPStr(bytes, "editing");
    AppendStr(bytes, folder);
    return bytes;
}

using Request = FakeDaemonRequest;

// A daemon that answers each request through the test's responder (empty
// when there is none) and keeps every request but start-up's.
class CommandBodiesTest : public FakeDaemonTest {
protected:
    using Responder = std::function<KADBytes(const KADBytes& payload)>;

    void SetUp() override
    {
        StartAnswering(ClientTestDatabasePath());
        // The roots are kept lower-cased; the folders on disk are not.
        std::string editing;
        ASSERT_TRUE(Zel::File::Resolve(nullptr, GetRootFolderPath("editing").c_str(), editing));
        scratchFolder.emplace("bodies", editing);
        ASSERT_FALSE(scratchFolder->Root().empty());
        scratch = scratchFolder->Root();
    }
    void TearDown() override
    {
        FakeDaemonTest::TearDown();
        scratchFolder.reset();
    }

    bool Respond(FakeDaemonConnection& connection, int32_t code, int32_t id, const KADBytes& payload,
                 KADBytes& reply) override
    {
        Responder responder;
        {
            std::lock_guard<std::mutex> hold(lock);
            auto found = responders.find(code);
            if (found != responders.end())
                responder = found->second;
        }
        reply = responder ? responder(payload) : KADBytes{};
        if (code == KADRequestNumber(KADRequestCode::ValidateAssetFolder) && !validateNote.empty()) {
            KADBytes note;
            KADAppendInt32(note, id);
            KADAppendBytes(note, validateNote.data(), validateNote.size());
            connection.Send(KADEncodeNote(static_cast<int32_t>(KADNoteType::ResultLines), note.data(), note.size()));
        }
        return true;
    }

    void Answer(KADRequestCode code, Responder responder)
    {
        std::lock_guard<std::mutex> hold(lock);
        responders[KADRequestNumber(code)] = std::move(responder);
    }
    void Answer(KADRequestCode code, const KADBytes& reply)
    {
        Answer(code, [reply](const KADBytes&) { return reply; });
    }
    std::vector<Request> SeenWith(KADRequestCode code)
    {
        std::vector<Request> matching;
        for (const Request& request : Seen())
            if (request.code == KADRequestNumber(code))
                matching.push_back(request);
        return matching;
    }

    std::mutex lock;
    std::map<int32_t, Responder> responders;
    KADBytes validateNote;
    std::optional<KorvelTest::TempFolder> scratchFolder;
    std::string scratch;
};

KADAssetInfo InfoWith(uint8_t status0, uint8_t status1)
{
    KADAssetInfo info;
    info.statusByte0 = status0;
    info.statusByte1 = status1;
    info.name = "Loco";
    info.categoryText = "TR;LOCO";
    return info;
}

TEST(StatusLineTest, LettersFollowTheFlagsInTheirFixedOrder)
{
    struct Case {
        uint8_t status0;
        uint8_t status1;
        bool missing;
        bool faulty;
        const char* letters;
    };
    const Case cases[] = {
        {0x01, 0x00, false, false, "eiadlmf"},
        {0x08, 0x00, false, false, "eIadlmf"},
        {0x0C, 0x01, false, false, "EIadLmf"},
        {0xC0, 0x00, true, false, "eiADlMf"},
        {0xFF, 0xFF, true, true, "EIADLMF"},
        // Bits the letters do not show change nothing.
        {0x30, 0xF4, false, true, "eiadlmF"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatStatusFlags(InfoWith(c.status0, c.status1), c.missing, c.faulty), c.letters);
    EXPECT_EQ(FormatStatusLine(KUID(123, 456, 0), InfoWith(0x08, 0), false, false),
              "+ <kuid:123:456> : eIadlmf : TR;LOCO : Loco\n");
}

TEST_F(CommandBodiesTest, StatusPrintsOneLineAndAsksTwiceMoreForMAndF)
{
    KUID id(2000, 31, 2);
    // Installed, modified, missing dependencies (status 1 bit 3).
    Answer(KADRequestCode::GetAssetInfo, InfoRecord(id, "Blue Loco", "TR;LOCO", 0x0D, 0x08));
    ResultsLog log;
    testing::internal::CaptureStdout();
    EXPECT_TRUE(RunStatusCommand(id, log));
    std::string output = testing::internal::GetCapturedStdout();
    EXPECT_EQ(output, "+ <kuid2:2000:31:2> : eIadLMf : TR;LOCO : Blue Loco\n");
    EXPECT_EQ(log.LineCount(), 0);
    std::vector<Request> requests = SeenWith(KADRequestCode::GetAssetInfo);
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].payload.back(), 0xFF);
    EXPECT_EQ(requests[1].payload.back(), 0);
    EXPECT_EQ(requests[1].payload[requests[1].payload.size() - 4], 8);
}

TEST_F(CommandBodiesTest, StatusOfAnUnknownAssetPrintsNothingAndLogsItsId)
{
    KUID id(77, 88, 0);
    Answer(KADRequestCode::GetAssetInfo, InfoRecord(NullKUID, "", "", 1, 0, false));
    ResultsLog log;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(RunStatusCommand(id, log));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    std::vector<ResultsLogEntry> lines = log.Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].kind, int32_t(Kind::Error));
    EXPECT_STREQ(lines[0].text.c_str(), "Unknown AssetID.");
    EXPECT_STREQ(lines[0].property.GetValueText().c_str(), id.ToTagString().c_str());
    EXPECT_EQ(SeenCodes(), RequestNumbers({KADRequestCode::GetAssetInfo}));
}

TEST_F(CommandBodiesTest, ValidateAsksForTheOpenedFolderUnderTheAssetAndTakesTheDaemonsLines)
{
    KUID id(5, 6, 0);
    Answer(KADRequestCode::OpenAsset, HandleReply(3, 4, "local", "/store/local/asset"));
    Answer(KADRequestCode::ValidateAssetFolder, KADBytes{0});
    // The daemon's line: one error line without a property.
    KADAppendInt32(validateNote, 0);
    KADAppendInt32(validateNote, 1);
    KADAppendInt32(validateNote, 3);
    AppendStr(validateNote, "Unable to validate asset: no validator is available.");
    KADAppendInt32(validateNote, 0);

    ResultsLog log;
    EXPECT_TRUE(RunValidateCommand(id, log));
    EXPECT_EQ(SeenCodes(), RequestNumbers({KADRequestCode::OpenAsset, KADRequestCode::ValidateAssetFolder,
                                           KADRequestCode::CloseAssetHandle}));
    KADBytes expected;
    AppendPStr(expected, "local");
    AppendStr(expected, "/store/local/asset");
    EXPECT_EQ(SeenWith(KADRequestCode::ValidateAssetFolder)[0].payload, expected);
    EXPECT_EQ(SeenWith(KADRequestCode::OpenAsset)[0].payload.back(), 0);  // read-only
    std::vector<ResultsLogEntry> lines = log.Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].kind, int32_t(Kind::Error));
    EXPECT_EQ(log.ErrorCount(), 1);
    // The current asset is given back: a later line carries none.
    log.AddMessage(Kind::Info, "after");
    EXPECT_TRUE(log.Lines().back().property.IsNull());
}

TEST_F(CommandBodiesTest, ValidateOfAnAssetTheDaemonCannotOpenSendsNoValidation)
{
    Answer(KADRequestCode::OpenAsset, HandleReply(-1, -1, "", ""));
    ResultsLog log;
    EXPECT_FALSE(RunValidateCommand(KUID(5, 6, 0), log));
    EXPECT_EQ(SeenCodes(), RequestNumbers({KADRequestCode::OpenAsset}));
}

TEST_F(CommandBodiesTest, InstallFromPathInstallsConfigFoldersOnlyAndNeverFollowsLinks)
{
    namespace fs = std::filesystem;
    std::string root = scratch + "/Incoming";
    fs::create_directories(root + "/Alpha/Nested");
    std::ofstream(root + "/Alpha/config.txt") << "kuid <kuid:1:1>\n";
    std::ofstream(root + "/Alpha/Nested/config.txt") << "kuid <kuid:1:2>\n";
    fs::create_directories(root + "/Beta/Inner");
    std::ofstream(root + "/Beta/Inner/config.chump") << "x";
    fs::create_directories(root + "/Empty");
    std::ofstream(root + "/loose.txt") << "x";
    fs::create_directories(scratch + "/Elsewhere");
    std::ofstream(scratch + "/Elsewhere/config.txt") << "kuid <kuid:1:9>\n";
    fs::create_directory_symlink(scratch + "/Elsewhere", root + "/LinkOut");
    fs::create_directory_symlink(root, root + "/Empty/LoopBack");

    // The daemon installs Alpha and refuses Beta's.
    Answer(KADRequestCode::InstallFolder, [](const KADBytes& payload) {
        KADBytes reply;
        std::string text(payload.begin() + 4, payload.end() - 4);
        AppendKUID(reply, text.find("Alpha") != std::string::npos ? KUID(1, 1, 0) : NullKUID);
        reply.push_back(0);
        return reply;
    });
    ResultsLog log;
    bool flag = true;
    // The command's argument arrives lower-cased.
    std::string lowered = root;
    std::transform(lowered.begin(), lowered.end(), lowered.begin(), ::tolower);
    EXPECT_EQ(InstallFromPathRecursive(Zel::File::Path(lowered.c_str()), log, 0, &flag, nullptr), 1);

    std::vector<std::string> folders;
    for (const Request& request : SeenWith(KADRequestCode::InstallFolder)) {
        folders.emplace_back(request.payload.begin() + 4, request.payload.end() - 4);
        EXPECT_EQ(std::vector<uint8_t>(request.payload.end() - 4, request.payload.end()), KADBytes(4, 0));
    }
    std::sort(folders.begin(), folders.end());
    EXPECT_EQ(folders, (std::vector<std::string>{root + "/Alpha", root + "/Beta/Inner"}));
    EXPECT_EQ(SeenCodes().size(), 2u);
}

TEST_F(CommandBodiesTest, InstallFromPathOfAnEmptyPathOrAFolderWithoutConfigsInstallsNothing)
{
    ResultsLog log;
    EXPECT_EQ(InstallFromPathRecursive(Zel::File::Path(), log, 0, nullptr, nullptr), 0);
    std::filesystem::create_directories(scratch + "/Nothing/Here");
    EXPECT_EQ(InstallFromPathRecursive(Zel::File::Path((scratch + "/Nothing").c_str()), log, 0, nullptr, nullptr), 0);
    EXPECT_TRUE(Seen().empty());
}

TEST_F(CommandBodiesTest, CHBDeleteAllDeletesEveryLocalAssetWithFlagOne)
{
    KADBytes found;
    KADAppendInt32(found, 2);
    AppendKUID(found, KUID(1, 2, 0));
    AppendKUID(found, KUID(3, 4, 5));
    Answer(KADRequestCode::SearchAssets, found);
    Answer(KADRequestCode::DeleteAsset, KADBytes{1});
    ResultsLog log;
    EXPECT_TRUE(RunCHBDeleteAllCommand(log));
    std::vector<Request> requests = Seen();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].code, KADRequestNumber(KADRequestCode::SearchAssets));
    EXPECT_EQ(requests[0].payload, (KADBytes{'l', 'o', 'o', 'b', 0, 0, 0, 0}));
    KADBytes second;
    AppendKUID(second, KUID(3, 4, 5));
    second.push_back(1);
    EXPECT_EQ(requests[2].payload, second);
    EXPECT_EQ(log.LineCount(), 0);
}

TEST_F(CommandBodiesTest, CHBDeleteAllIsTrueWhenNothingIsFound)
{
    ResultsLog log;
    EXPECT_TRUE(RunCHBDeleteAllCommand(log));
    EXPECT_EQ(SeenCodes(), RequestNumbers({KADRequestCode::SearchAssets}));
}

// ----- InstallArchiveAsset -----

SoupHandle ArchiveEntry(const KUID& id)
{
    SoupHandle entry = ArchiveTest::Entry(id);
    entry.SetNamedTag(Zel::PString("username"), "Test Asset");
    SoupHandle files;
    ArchiveTest::SetFile(files, "mesh.im", "mesh bytes");
    SoupHandle textures;
    ArchiveTest::SetFile(textures, "body.tga", "tga bytes");
    files.SetNamedSoup(Zel::PString("textures"), textures);
    entry.SetNamedSoup(Zel::PString("files"), files);
    StoreAssetDsid(entry);
    return entry;
}

class AnswerWith : public KADPromptHandler {
public:
    explicit AnswerWith(int32_t answer) : answer_(answer) {}
    int32_t Ask(const Zel::String&, const Zel::String&, const KUID&, ResultsLog*) override
    {
        ++asked;
        return answer_;
    }
    int asked = 0;

private:
    int32_t answer_;
};

std::vector<int32_t> LineKinds(const ResultsLog& log)
{
    std::vector<int32_t> kinds;
    for (const ResultsLogEntry& line : log.Lines())
        kinds.push_back(line.kind);
    return kinds;
}

TEST_F(CommandBodiesTest, UnknownAssetIsOpenedForEditUnderItsNameAndWrittenWithATextConfig)
{
    KUID id(900, 1, 0);
    std::string folder = scratch + "/new-asset";
    Answer(KADRequestCode::GetAssetInfo, InfoRecord(NullKUID, "", "", 1, 0, false));
    Answer(KADRequestCode::OpenAssetForEdit, OpenForEditReply(id, folder));
    AnswerWith prompt(1);

    ResultsLog log;
    EXPECT_EQ(InstallArchiveAsset(ArchiveEntry(id), log, 0, nullptr, &prompt), id);
    EXPECT_EQ(prompt.asked, 0);
    EXPECT_EQ(SeenCodes(), RequestNumbers({KADRequestCode::GetAssetInfo, KADRequestCode::OpenAssetForEdit,
                                           KADRequestCode::CloseAssetHandle, KADRequestCode::SetAssetFavorite}));
    KADBytes expectedOpenForEdit;
    AppendKUID(expectedOpenForEdit, id);
    expectedOpenForEdit.push_back(0);
    AppendStr(expectedOpenForEdit, "Test Asset");
    EXPECT_EQ(SeenWith(KADRequestCode::OpenAssetForEdit)[0].payload, expectedOpenForEdit);
    std::string bytes;
    EXPECT_TRUE(ReadFile(folder + "/mesh.im", bytes));
    EXPECT_EQ(bytes, "mesh bytes");
    EXPECT_TRUE(ReadFile(folder + "/textures/body.tga", bytes));
    EXPECT_TRUE(ArchiveTest::Exists(folder + "/config.txt"));
    EXPECT_FALSE(ArchiveTest::Exists(folder + "/config.chump"));
    EXPECT_EQ(LineKinds(log), std::vector<int32_t>{int32_t(Kind::Success)});
    EXPECT_STREQ(log.Lines()[0].property.GetValueText().c_str(), id.ToTagString().c_str());
    KADBytes favorite;
    AppendKUID(favorite, id);
    favorite.push_back(1);
    EXPECT_EQ(SeenWith(KADRequestCode::SetAssetFavorite)[0].payload, favorite);
}

TEST_F(CommandBodiesTest, CommitModeWritesABinaryConfigAndCommitsWithTheSignatureFlags)
{
    KUID id(900, 2, 0);
    std::string folder = scratch + "/committed";
    Answer(KADRequestCode::GetAssetInfo, InfoRecord(NullKUID, "", "", 1, 0, false));
    Answer(KADRequestCode::OpenAssetForEdit, OpenForEditReply(id, folder));
    Answer(KADRequestCode::CommitAsset, KADBytes{1, 0});
    ResultsLog log;
    bool committed = true;
    EXPECT_EQ(
        InstallArchiveAsset(ArchiveEntry(id), log, InstallModeCommit | InstallModeCommitFlag8, &committed, nullptr),
        id);
    EXPECT_TRUE(ArchiveTest::Exists(folder + "/config.chump"));
    std::vector<Request> commits = SeenWith(KADRequestCode::CommitAsset);
    ASSERT_EQ(commits.size(), 1u);
    // Signature verified (6) with the caller's 8.
    EXPECT_EQ(commits[0].payload[8], 14);
}

TEST_F(CommandBodiesTest, InstalledAssetIsOverwrittenWithoutAHandlerAndLeftOpenForEdit)
{
    KUID id(900, 3, 0);
    std::string folder = scratch + "/edit-copy";
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/stale.txt") << "old";
    Answer(KADRequestCode::GetAssetInfo, InfoRecord(id, "Old", "", 0x09, 0));
    Answer(KADRequestCode::OpenAsset, HandleReply(4, 5, "editing", folder));
    ResultsLog log;
    EXPECT_EQ(InstallArchiveAsset(ArchiveEntry(id), log, InstallModeCommit, nullptr, nullptr), id);
    EXPECT_FALSE(ArchiveTest::Exists(folder + "/stale.txt"));
    EXPECT_TRUE(ArchiveTest::Exists(folder + "/mesh.im"));
    EXPECT_TRUE(ArchiveTest::Exists(folder + "/config.txt"));
    EXPECT_TRUE(SeenWith(KADRequestCode::CommitAsset).empty());
    EXPECT_EQ(SeenWith(KADRequestCode::OpenAsset)[0].payload.back(), 1);  // writable
}

TEST_F(CommandBodiesTest, PromptAnswersOtherThanTwoOrThreeSkipSilently)
{
    KUID id(900, 4, 0);
    std::string folder = scratch + "/prompted";
    Answer(KADRequestCode::GetAssetInfo, InfoRecord(id, "Old", "", 0x09, 0x01));
    Answer(KADRequestCode::OpenAsset, HandleReply(4, 5, "editing", folder));
    struct Case {
        int32_t answer;
        bool installs;
    };
    for (Case c : {Case{1, false}, Case{0, false}, Case{4, false}, Case{2, true}, Case{3, true}}) {
        AnswerWith prompt(c.answer);
        ResultsLog log;
        KUID result = InstallArchiveAsset(ArchiveEntry(id), log, 0, nullptr, &prompt);
        EXPECT_EQ(prompt.asked, 1);
        EXPECT_EQ(result == id, c.installs) << c.answer;
        EXPECT_EQ(log.LineCount(), c.installs ? 1 : 0) << c.answer;
    }
}

TEST_F(CommandBodiesTest, FolderOutsideTheUserDataTreeIsNeverDeleted)
{
    KUID id(900, 5, 0);
    ArchiveTest::TemporaryFolder outside;
    std::ofstream(outside / "keep.txt") << "mine";
    Answer(KADRequestCode::GetAssetInfo, InfoRecord(id, "Old", "", 0x09, 0));
    Answer(KADRequestCode::OpenAsset, HandleReply(4, 5, "editing", outside.Root()));
    ResultsLog log;
    EXPECT_TRUE(InstallArchiveAsset(ArchiveEntry(id), log, 0, nullptr, nullptr).IsNull());
    EXPECT_TRUE(ArchiveTest::Exists(outside / "keep.txt"));
    EXPECT_EQ(LineKinds(log), std::vector<int32_t>{int32_t(Kind::Error)});
    EXPECT_EQ(SeenWith(KADRequestCode::SetAssetFavorite).size(), 0u);

    // Nor is the user-data root itself.
    Answer(KADRequestCode::OpenAsset, HandleReply(4, 5, "editing", GetUserDataRoot().Str()));
    ResultsLog rootLog;
    EXPECT_TRUE(InstallArchiveAsset(ArchiveEntry(id), rootLog, 0, nullptr, nullptr).IsNull());
    EXPECT_EQ(Zel::File::Exists(GetRootFolderPath("editing").c_str()), 0);
    EXPECT_EQ(LineKinds(rootLog), std::vector<int32_t>{int32_t(Kind::Error)});
}

TEST_F(CommandBodiesTest, NoHandleGivesTheWriteErrorAndNothingElse)
{
    KUID id(900, 6, 0);
    Answer(KADRequestCode::GetAssetInfo, InfoRecord(NullKUID, "", "", 1, 0, false));
    KADBytes openReply;
    KADAppendInt32(openReply, -1);
    KADAppendInt32(openReply, -1);
    Answer(KADRequestCode::OpenAssetForEdit, openReply);
    ResultsLog log;
    EXPECT_TRUE(InstallArchiveAsset(ArchiveEntry(id), log, InstallModeCommit, nullptr, nullptr).IsNull());
    EXPECT_EQ(LineKinds(log), std::vector<int32_t>{int32_t(Kind::Error)});
    EXPECT_EQ(SeenCodes(), RequestNumbers({KADRequestCode::GetAssetInfo, KADRequestCode::OpenAssetForEdit}));
}

// An entry whose files hold the extra files, or whose config nests `depth`
// containers under "extra".
SoupHandle EntryWith(const KUID& id, const std::vector<std::pair<std::string, std::string>>& extraFiles, int depth = 0)
{
    SoupHandle entry = ArchiveEntry(id);
    SoupHandle files = entry.GetNamedSoup(Zel::PString("files"));
    for (const auto& [name, bytes] : extraFiles)
        ArchiveTest::SetFile(files, name.c_str(), bytes);
    entry.SetNamedSoup(Zel::PString("files"), files);
    if (depth > 0) {
        SoupHandle nested = TestSupport::NestedSoup(depth);
        entry.SetNamedSoup(Zel::PString("extra"), nested);
    }
    StoreAssetDsid(entry);
    return entry;
}

std::vector<std::string> LineTexts(const ResultsLog& log)
{
    std::vector<std::string> texts;
    for (const ResultsLogEntry& line : log.Lines())
        texts.push_back(line.text.c_str());
    return texts;
}

TEST_F(CommandBodiesTest, EntriesLeftOutAreWarnedAndTheRestInstalls)
{
    KUID id(900, 7, 0);
    std::string folder = scratch + "/with-skips";
    Answer(KADRequestCode::GetAssetInfo, InfoRecord(NullKUID, "", "", 1, 0, false));
    Answer(KADRequestCode::OpenAssetForEdit, OpenForEditReply(id, folder));
    ResultsLog log;
    SoupHandle entry = EntryWith(id, {{"model.bin", "x"}, {"caf\xc3\xa9.txt", "x"}});
    EXPECT_EQ(InstallArchiveAsset(entry, log, 0, nullptr, nullptr), id);
    EXPECT_EQ(LineKinds(log),
              (std::vector<int32_t>{int32_t(Kind::Warning), int32_t(Kind::Warning), int32_t(Kind::Success)}));
    std::vector<std::string> texts = LineTexts(log);
    EXPECT_EQ(texts[0], "\"model.bin\" was not installed: files of type \".bin\" are not installed.");
    EXPECT_EQ(texts[1], "\"caf\xc3\xa9.txt\" was not installed: the name holds a character other than ASCII "
                        "letters, digits and \" $&'()+,-._~\".");
    EXPECT_TRUE(ArchiveTest::Exists(folder + "/mesh.im"));
    EXPECT_FALSE(ArchiveTest::Exists(folder + "/model.bin"));
}

TEST_F(CommandBodiesTest, AConfigBeyondTheLimitsIsNeitherOpenedNorWritten)
{
    KUID id(900, 8, 0);
    Answer(KADRequestCode::GetAssetInfo, InfoRecord(NullKUID, "", "", 1, 0, false));
    Answer(KADRequestCode::OpenAssetForEdit, OpenForEditReply(id, scratch + "/too-deep"));
    ResultsLog log;
    EXPECT_TRUE(InstallArchiveAsset(EntryWith(id, {}, 150), log, 0, nullptr, nullptr).IsNull());
    EXPECT_EQ(SeenCodes(), RequestNumbers({KADRequestCode::GetAssetInfo}));
    EXPECT_EQ(LineKinds(log), (std::vector<int32_t>{int32_t(Kind::Error), int32_t(Kind::Info)}));
    EXPECT_EQ(LineTexts(log)[1], "The config nests containers deeper than 100 levels.");
    EXPECT_FALSE(ArchiveTest::Exists(scratch + "/too-deep"));
}

TEST_F(CommandBodiesTest, AFailedExtractionSaysWhyAndReverts)
{
    KUID id(900, 9, 0);
    Answer(KADRequestCode::GetAssetInfo, InfoRecord(NullKUID, "", "", 1, 0, false));
    Answer(KADRequestCode::OpenAssetForEdit, OpenForEditReply(id, scratch + "/bad-payload"));
    ResultsLog log;
    // Every payload read as LZSS; three bytes cannot even hold the prefix.
    SoupHandle entry = EntryWith(id, {{"short.txt", "abc"}});
    entry.SetNamedTag(Zel::PString("compression"), "LZSS");
    EXPECT_TRUE(InstallArchiveAsset(entry, log, 0, nullptr, nullptr).IsNull());
    EXPECT_EQ(LineKinds(log), (std::vector<int32_t>{int32_t(Kind::Error), int32_t(Kind::Info)}));
    // The stored bytes do not decode: said as it is, not only the key's text.
    EXPECT_EQ(LineTexts(log)[1], "Failed to decompress data. Content package may be damaged");
    EXPECT_EQ(SeenWith(KADRequestCode::RevertAsset).size(), 1u);
}

}  // namespace

// A change the daemon refused without a line of its own: whether the asset
// is known decides the line, so a known asset is never called unknown.
TEST_F(CommandBodiesTest, RefusalWithoutADaemonLineAsksWhetherTheAssetIsKnown)
{
    struct Case {
        bool known;
        const char* line;
    };
    const Case cases[] = {{true, "Unable to delete the asset."}, {false, "Unknown AssetID."}};
    KUID id(77, 88, 0);
    for (const Case& test : cases) {
        Answer(KADRequestCode::GetAssetInfo, InfoRecord(test.known ? id : NullKUID, "", "", 1, 0, test.known));
        ResultsLog log;
        KADFailureReport failure(log);
        failure.ExplainRefusal(id, "Unable to delete the asset.");
        std::vector<ResultsLogEntry> lines = log.Lines();
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].kind, int32_t(Kind::Error));
        EXPECT_STREQ(lines[0].text.c_str(), test.line);
        EXPECT_STREQ(lines[0].property.GetValueText().c_str(), id.ToTagString().c_str());
    }
}

TEST_F(CommandBodiesTest, RefusalTheDaemonExplainedGetsNoLineOfTheCommand)
{
    KUID id(77, 88, 0);
    ResultsLog log;
    KADFailureReport failure(log);
    // Stands for the daemon's own line, arrived with the refused request.
    log.AddAssetMessage(Kind::Error, id, "Unable to open the asset for editing: the disk is full.");
    failure.ExplainRefusal(id, "Unable to open the asset for editing.");
    failure.Explain(id, "Unknown AssetID.");
    EXPECT_EQ(log.LineCount(), 1);
    EXPECT_TRUE(SeenCodes().empty());
}
