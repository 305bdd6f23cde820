// Transfer archives: the written layout, installing from them, and damaged or foreign files.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "results/results_log.h"
#include "foundation/streams/t_buffer.h"
#include "assetdb/transfer_archive.h"
#include "soup/binary_soup.h"
#include "support/temp_folder.h"

namespace {

const Zel::PString kuidTag("kuid");
const Zel::PString nameTag("name");

SoupHandle ExportedChunk(const KUID& id)
{
    SoupHandle chunk;
    chunk.SetNamedTagKUID(kuidTag, id);
    chunk.SetNamedTag(nameTag, id.ToTagString());
    return chunk;
}

struct Installed {
    KUID id;
    int32_t mode;
    std::string name;
};

class TransferArchiveTest : public testing::Test {
protected:
    KorvelTest::TempFolder scratch_;
    void SetUp() override
    {
        ASSERT_FALSE(scratch_.Root().empty());
        folder_ = scratch_.Root();
        path_ = folder_ + "/transfer.crak";
    }

    // Exports every id but failing; the failure leaves an error line, as the
    // daemon's export does.
    TransferArchiveExporter Exporter(const KUID& failing = KUID())
    {
        return [failing](const KUID& id, ResultsLog& log) {
            if (id == failing) {
                log.AddAssetMessage(ResultsLog::MessageKind::Error, id, "export failed");
                return SoupHandle();
            }
            return ExportedChunk(id);
        };
    }

    TransferArchiveInstaller Installer(bool succeed = true)
    {
        return [this, succeed](SoupHandle& entry, ResultsLog&, int32_t mode) {
            KUID id = entry.GetNamedTagAsKUID(kuidTag, KUID());
            installed_.push_back({id, mode, entry.GetNamedTag(nameTag).c_str()});
            return succeed ? id : KUID();
        };
    }

    std::vector<uint8_t> FileBytes() const
    {
        std::ifstream input(path_, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(input), {});
    }
    void SetFileBytes(const std::vector<uint8_t>& bytes) const
    {
        std::ofstream output(path_, std::ios::binary | std::ios::trunc);
        output.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }

    std::string folder_;
    std::string path_;
    std::vector<Installed> installed_;
};

uint32_t WordAt(const std::vector<uint8_t>& bytes, size_t offset)
{
    uint32_t word = 0;
    for (int index = 3; index >= 0; --index)
        word = (word << 8) | bytes.at(offset + size_t(index));
    return word;
}

void SetWordAt(std::vector<uint8_t>& bytes, size_t offset, uint32_t word)
{
    for (int index = 0; index < 4; ++index)
        bytes.at(offset + size_t(index)) = uint8_t(word >> (8 * index));
}

const KUID first(100, 1, 0);
const KUID second(100, 2, 3);
const KUID third(-3, 4, 127);

TEST_F(TransferArchiveTest, WrittenLayoutHasAbsoluteOffsetsAndANullKUIDAtTheEnd)
{
    ResultsLog log;
    ASSERT_TRUE(WriteTransferArchive(path_.c_str(), 0xC0FFEEu, {first, second}, log, Exporter()));
    EXPECT_EQ(log.LineCount(), 0);
    std::vector<uint8_t> bytes = FileBytes();
    ASSERT_GE(bytes.size(), 28u);
    EXPECT_EQ(std::memcmp(bytes.data(), "crak", 4), 0);
    EXPECT_EQ(WordAt(bytes, 4), 1u);
    EXPECT_EQ(WordAt(bytes, 8), 0x40533333u);  // 3.3f
    EXPECT_EQ(WordAt(bytes, 12), bytes.size());
    EXPECT_EQ(WordAt(bytes, 16), 0xC0FFEEu);
    // First entry: KUID (content, packed word), its absolute end, the soup.
    EXPECT_EQ(WordAt(bytes, 20), 1u);
    EXPECT_EQ(WordAt(bytes, 24), 100u);
    uint32_t firstEnd = WordAt(bytes, 28);
    EXPECT_EQ(std::memcmp(bytes.data() + 32, "ACS$", 4), 0);
    EXPECT_EQ(WordAt(bytes, firstEnd), 2u);
    EXPECT_EQ(WordAt(bytes, firstEnd + 4), (3u << 25) | 100u);
    // The null KUID closes the entries.
    EXPECT_EQ(WordAt(bytes, bytes.size() - 8), 0xFFFFFFFFu);
    EXPECT_EQ(WordAt(bytes, bytes.size() - 4), 0xFFFFFFFFu);
}

TEST_F(TransferArchiveTest, FailedExportIsLeftOutAndTheOthersInstall)
{
    ResultsLog writeLog;
    EXPECT_FALSE(WriteTransferArchive(path_.c_str(), 7, {first, second, third}, writeLog, Exporter(second)));
    EXPECT_EQ(writeLog.ErrorCount(), 1);

    std::vector<KUID> wanted = {third, second, first, KUID(9, 9, 9)};
    ResultsLog log;
    EXPECT_TRUE(InstallTransferArchive(7, wanted, path_.c_str(), log, Installer()));
    EXPECT_EQ(log.LineCount(), 0);
    ASSERT_EQ(installed_.size(), 2u);
    EXPECT_EQ(installed_[0].id, first);
    EXPECT_EQ(installed_[0].mode, TransferInstallModeCurrent);
    EXPECT_EQ(installed_[0].name, first.ToTagString().c_str());
    EXPECT_EQ(installed_[1].id, third);
    // Not in the archive, or not installed: they go back in the answer.
    EXPECT_EQ(wanted, (std::vector<KUID>{second, KUID(9, 9, 9)}));
}

TEST_F(TransferArchiveTest, OnlyRequestedEntriesInstallAndAFailedInstallStaysListed)
{
    ResultsLog log;
    ASSERT_TRUE(WriteTransferArchive(path_.c_str(), 7, {first, second}, log, Exporter()));
    std::vector<KUID> wanted = {second};
    EXPECT_TRUE(InstallTransferArchive(7, wanted, path_.c_str(), log, Installer(false)));
    ASSERT_EQ(installed_.size(), 1u);
    EXPECT_EQ(installed_[0].id, second);
    EXPECT_EQ(wanted, std::vector<KUID>{second});
}

TEST_F(TransferArchiveTest, OlderArchivesInstallInThePlainMode)
{
    ResultsLog log;
    ASSERT_TRUE(WriteTransferArchive(path_.c_str(), 7, {first}, log, Exporter()));
    std::vector<uint8_t> version1 = FileBytes();

    std::vector<uint8_t> olderBuild = version1;
    SetWordAt(olderBuild, 8, 0x40533332u);  // 3.2999997: the + 0.1 still makes it 330
    std::vector<uint8_t> build32 = version1;
    SetWordAt(build32, 8, 0x404CCCCDu);  // 3.2
    std::vector<uint8_t> notANumber = version1;
    SetWordAt(notANumber, 8, 0x7FC00000u);
    // Version 0: no build word, every offset after it 4 lower.
    std::vector<uint8_t> version0 = version1;
    version0.erase(version0.begin() + 8, version0.begin() + 12);
    SetWordAt(version0, 4, 0);
    SetWordAt(version0, 8, uint32_t(version0.size()));
    SetWordAt(version0, 24, WordAt(version0, 24) - 4);

    const struct {
        const char* name;
        const std::vector<uint8_t>& bytes;
        int32_t mode;
    } cases[] = {
        {"3.3 rounding", olderBuild, TransferInstallModeCurrent},
        {"build 3.2", build32, TransferInstallModeOlder},
        {"build not a number", notANumber, TransferInstallModeOlder},
        {"version 0", version0, TransferInstallModeOlder},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        installed_.clear();
        SetFileBytes(test.bytes);
        std::vector<KUID> wanted = {first};
        ResultsLog installLog;
        EXPECT_TRUE(InstallTransferArchive(7, wanted, path_.c_str(), installLog, Installer()));
        ASSERT_EQ(installed_.size(), 1u);
        EXPECT_EQ(installed_[0].mode, test.mode);
        EXPECT_TRUE(wanted.empty());
    }
}

// Foreign, damaged and lying files install nothing (or stop where the damage
// starts) and report one error line.
TEST_F(TransferArchiveTest, DamagedOrForeignArchivesReportAndInstallNothing)
{
    ResultsLog log;
    ASSERT_TRUE(WriteTransferArchive(path_.c_str(), 7, {first, second}, log, Exporter()));
    const std::vector<uint8_t> good = FileBytes();
    const uint32_t firstEnd = WordAt(good, 28);

    auto with = [&](size_t offset, uint32_t word) {
        std::vector<uint8_t> bytes = good;
        SetWordAt(bytes, offset, word);
        return bytes;
    };
    std::vector<uint8_t> truncated(good.begin(), good.end() - 1);
    std::vector<uint8_t> longer = good;
    longer.push_back(0);
    std::vector<uint8_t> noTerminator(good.begin(), good.end() - 8);
    SetWordAt(noTerminator, 12, uint32_t(noTerminator.size()));

    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        uint32_t tag;
        size_t installs;
    } cases[] = {
        {"another tag", good, 8, 0},
        {"another magic", with(0, 0x6b617264u), 7, 0},
        {"version 2", with(4, 2), 7, 0},
        {"truncated", truncated, 7, 0},
        {"longer than its length", longer, 7, 0},
        {"length word lies", with(12, uint32_t(good.size() + 100)), 7, 0},
        {"entry ends past the file", with(28, uint32_t(good.size() + 1)), 7, 0},
        {"entry ends inside its own header", with(28, 30), 7, 0},
        {"second entry ends before its soup", with(firstEnd + 8, firstEnd + 4), 7, 1},
        {"no closing KUID", noTerminator, 7, 2},
        {"empty file", {}, 7, 0},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        installed_.clear();
        SetFileBytes(test.bytes);
        std::vector<KUID> wanted = {first, second};
        ResultsLog installLog;
        EXPECT_FALSE(InstallTransferArchive(test.tag, wanted, path_.c_str(), installLog, Installer()));
        EXPECT_EQ(installLog.ErrorCount(), 1);
        EXPECT_EQ(installed_.size(), test.installs);
        EXPECT_EQ(wanted.size(), 2 - test.installs);
    }
}

TEST_F(TransferArchiveTest, EntryWhoseSoupNamesAnotherAssetIsSkipped)
{
    TransferArchiveExporter lying = [](const KUID& id, ResultsLog&) { return ExportedChunk(id == first ? third : id); };
    ResultsLog log;
    ASSERT_TRUE(WriteTransferArchive(path_.c_str(), 7, {first, second}, log, lying));
    std::vector<KUID> wanted = {first, second};
    EXPECT_TRUE(InstallTransferArchive(7, wanted, path_.c_str(), log, Installer()));
    ASSERT_EQ(installed_.size(), 1u);
    EXPECT_EQ(installed_[0].id, second);
    EXPECT_EQ(wanted, std::vector<KUID>{first});
}

TEST_F(TransferArchiveTest, MissingFileIsUnreadableAndAnUnwritablePathFails)
{
    std::vector<KUID> wanted = {first};
    ResultsLog log;
    EXPECT_FALSE(InstallTransferArchive(7, wanted, (folder_ + "/none.crak").c_str(), log, Installer()));
    EXPECT_EQ(log.ErrorCount(), 1);
    ResultsLog writeLog;
    EXPECT_FALSE(WriteTransferArchive((folder_ + "/no/such/folder/x.crak").c_str(), 7, {first}, writeLog, Exporter()));
    EXPECT_EQ(writeLog.ErrorCount(), 1);
}

}  // namespace
