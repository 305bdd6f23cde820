// LogFile: unique names, lazy opening, repeated lines, time stamps, folder failures and console lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "foundation/base/code_page.h"
#include "foundation/base/console_output.h"
#include "foundation/base/log_file.h"
#include "foundation/base/numbered_file_name.h"
#include "support/scratch_tmpfs.h"
#include "support/temp_folder.h"

namespace {

std::u16string Wide(const std::string& utf8)
{
    std::u16string out;
    CodePageToUtf16(utf8, CP_UTF8, out);
    return out;
}

std::string Narrow(const std::u16string& wide)
{
    std::string out;
    Utf16ToCodePage(wide, CP_UTF8, out);
    return out;
}

class LogFileTest : public KorvelTest::TempFolderTest {
protected:
    void SetUp() override
    {
        KorvelTest::TempFolderTest::SetUp();
        GetLogFileSettings() = LogFileSettings();
        GetLogFileSettings().baseFolder = Wide(folder_.Root() + "/");
    }
    void TearDown() override { GetLogFileSettings() = LogFileSettings(); }

    void WriteLine(LogFile& log, const std::string& text)
    {
        std::string line = text + "\r\n";
        log.Write(line.data(), line.size());
    }
};

TEST(NumberedFileName, CandidatesKeepTheStemAndExtension)
{
    struct Case {
        const char* path;
        int number;
        const char* expected;
    } cases[] = {
        {"logs/log.txt", 1, "logs/log.txt"},
        {"logs/log.txt", 2, "logs/log_2.txt"},
        {"logs/log.txt", 13, "logs/log_13.txt"},
        {"logs/name", 2, "logs/name_2."},
        {"a.b/name", 3, "a.b/name_3."},
        {"a\\b.c\\name", 2, "a\\b.c\\name_2."},
        {"Korvel-44088.dmp", 2, "Korvel-44088_2.dmp"},
        {"x.tar.gz", 2, "x.tar_2.gz"},
    };
    for (const Case& c : cases) {
        char out[64];
        ASSERT_TRUE(FormatNumberedFileName(out, sizeof out, c.path, c.number)) << c.path;
        EXPECT_STREQ(out, c.expected);
    }
    char small[8];
    EXPECT_FALSE(FormatNumberedFileName(small, sizeof small, "log.txt", 2));
    EXPECT_STREQ(small, "");
}

TEST_F(LogFileTest, PathBuilderSkipsNamesThatExist)
{
    folder_.MakeFile("logs/log.txt");
    folder_.MakeFile("logs/log_2.txt");
    folder_.MakeFile("logs/name");
    std::u16string path;
    ASSERT_TRUE(LogFile::MakeFilePath(u"logs", u"log.txt", path));
    EXPECT_EQ(Narrow(path), folder_ / "logs/log_3.txt");
    ASSERT_TRUE(LogFile::MakeFilePath(u"logs\\", u"name", path));
    EXPECT_EQ(Narrow(path), folder_ / "logs/name_2.");
    // The default sub-folder is used when none is given, and made when missing.
    GetLogFileSettings().defaultSubFolder = Wide("défaut/tief");
    ASSERT_TRUE(LogFile::MakeFilePath(nullptr, Wide("journal été.txt"), path));
    EXPECT_EQ(Narrow(path), folder_ / "défaut/tief/journal été.txt");
    EXPECT_TRUE(folder_.Has("défaut/tief"));
    // Longer than a path may be: refused, not cut.
    EXPECT_FALSE(LogFile::MakeFilePath(u"logs", std::u16string(300, u'x'), path));
}

TEST_F(LogFileTest, OverwriteDeletesTheExistingFile)
{
    folder_.MakeFile("logs/log.txt", "old");
    GetLogFileSettings().overwrite = true;
    std::u16string path;
    ASSERT_TRUE(LogFile::MakeFilePath(u"logs", u"log.txt", path));
    EXPECT_EQ(Narrow(path), folder_ / "logs/log.txt");
    EXPECT_FALSE(folder_.Has("logs/log.txt"));
}

TEST_F(LogFileTest, MakeDirectoryTreeRefusesAFileInTheWay)
{
    folder_.MakeFile("plain");
    EXPECT_FALSE(MakeDirectoryTree(Wide(folder_ / "plain")));
    EXPECT_EQ(LastMakeDirectoryError(), 80);
    EXPECT_FALSE(MakeDirectoryTree(Wide(folder_ / "plain/below")));
    EXPECT_FALSE(MakeDirectoryTree(u""));
    EXPECT_TRUE(MakeDirectoryTree(Wide(folder_ / "a\\b/c/")));
    EXPECT_TRUE(folder_.Has("a/b/c"));
}

TEST(LogTimeStamp, DaysAndTimeOfDay)
{
    struct Case {
        std::uint32_t date;
        double seconds;
        const char* expected;
    } cases[] = {
        {20200101, 3723.5, "20.01.01  01:02:03.50| "},        {20200101, -10.0, "19.12.31  23:59:50.00| "},
        {20200101, -86400.0, "19.12.31  00:00:00.00| "},      {20200228, 86400.0 + 59.99, "20.02.29  00:00:59.99| "},
        {20231231, 86400.0 * 366, "24.12.31  00:00:00.00| "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatLogTimeStamp(c.date, c.seconds), c.expected) << c.seconds;
}

TEST_F(LogFileTest, RepeatedLinesAreCountedAndReportedBeforeTheNextText)
{
    ManualClock clock(3723.5);
    GetLogFileSettings().baseDate = 20200101;
    {
        LogFile log(u"logs", u"log.txt", clock, "same\r\n");
        for (int i = 0; i < 3; ++i)
            WriteLine(log, "same");
        WriteLine(log, "other");
        WriteLine(log, "other");
        GetLogFileSettings().highResolutionTimeStamp = true;
        WriteLine(log, "last");
        WriteLine(log, "last");
    }
    EXPECT_EQ(folder_.ReadFile("logs/log.txt"),
              "\r\n[3 lines suppressed]\r\nother\r\n"
              "20.01.01  01:02:03.50| [1 lines suppressed]\r\nlast\r\n20.01.01  01:02:03.50| [1 lines suppressed]\r\n");
}

TEST_F(LogFileTest, FlushEachLineWritesRepeatsAndReachesTheDisk)
{
    LogFile log(u"logs", u"log.txt");
    log.SetFlushEachLine(true);
    for (int i = 0; i < 3; ++i)
        WriteLine(log, "again");
    // Read while the log is still open: each line is on disk already.
    EXPECT_EQ(folder_.ReadFile("logs/log.txt"), "\r\nagain\r\nagain\r\nagain\r\n");
}

TEST_F(LogFileTest, EachWriterGetsAFreshFileAndKeepsAppendingToIt)
{
    folder_.MakeFile("logs/log.txt", "someone else's\r\n");
    std::string big(4 << 20, 'x');
    {
        LogFile first(u"logs", u"log.txt");
        LogFile second(u"logs", u"log.txt");
        WriteLine(first, "one");
        WriteLine(second, "two");
        first.Write(big.data(), big.size());
        WriteLine(first, "three");
        EXPECT_EQ(Narrow(first.FilePath()), folder_ / "logs/log_2.txt");
        EXPECT_EQ(Narrow(second.FilePath()), folder_ / "logs/log_3.txt");
    }
    EXPECT_EQ(folder_.ReadFile("logs/log.txt"), "someone else's\r\n");
    EXPECT_EQ(folder_.ReadFile("logs/log_2.txt"), "\r\none\r\n" + big + "three\r\n");
    EXPECT_EQ(folder_.ReadFile("logs/log_3.txt"), "\r\ntwo\r\n");
}

TEST_F(LogFileTest, DisabledWriterTouchesNothing)
{
    LogFile log(u"logs", u"log.txt");
    log.SetEnabled(false);
    WriteLine(log, "nothing");
    EXPECT_FALSE(log.IsOpen());
    EXPECT_FALSE(folder_.Has("logs"));
}

TEST_F(LogFileTest, FolderThatCannotBeMadeDropsLinesAndReportsWhy)
{
    KorvelTest::ScratchTmpfs disk(folder_ / "disk", 1 << 20);
    if (!disk.Mounted() || !disk.MakeReadOnly())
        GTEST_SKIP() << disk.Reason();
    GetLogFileSettings().baseFolder = Wide(disk.Folder() + "/");
    // The console line reporting the failure comes back to the log writer,
    // which must not try to open again inside its own opening.
    static std::vector<std::string> lines;
    lines.clear();
    SetProcessLogFile(std::make_unique<LogFile>(u"logs", u"log.txt"));
    SetConsoleLogFileSink([](const std::string& line) {
        lines.push_back(line);
        if (LogFile* file = ProcessLogFile())
            file->Write((line + "\r\n").data(), line.size() + 2);
    });
    ConsolePrintf("first line");
    ConsolePrintf("second line");
    EXPECT_FALSE(ProcessLogFile()->IsOpen());
    SetProcessLogFile(nullptr);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "first line");
    EXPECT_EQ(lines[1], "MakeDirectory> CreateDirectoryW returned err 30");
    // Five attempts at a fresh name, each reported once; later lines try
    // the chosen path again without a report.
    EXPECT_EQ(std::count(lines.begin(), lines.end(), lines[1]), 5);
    EXPECT_EQ(lines.back(), "second line");
}

TEST_F(LogFileTest, ConsoleLinesReachTheProcessLogWithCrLf)
{
    SetProcessLogFile(std::make_unique<LogFile>(u"logs", u"console.txt"));
    ConsolePrintf("hello %d", 1);
    std::thread other([] { ConsolePrintf("from another thread"); });
    other.join();
    ProcessLogFile()->Close();
    SetProcessLogFile(nullptr);
    EXPECT_EQ(folder_.ReadFile("logs/console.txt"), "\r\nhello 1\r\nfrom another thread\r\n");
}

TEST(OSMutex, ReleaseByAThreadThatDoesNotHoldItThrows)
{
    OS::Mutex mutex;
    mutex.Lock();
    mutex.Lock();
    mutex.Unlock();
    std::thread other([&] {
        try {
            mutex.Unlock();
            ADD_FAILURE() << "no exception";
        } catch (const OSException& error) {
            EXPECT_STREQ(error.what(), "Failed to release the mutex");
        }
    });
    other.join();
    mutex.Unlock();
    EXPECT_THROW(mutex.Unlock(), OSException);
}

}  // namespace
