// The command host's dump writer: one dump per process, numbered names, the guard first, the exit check.
#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/base/crash_dump.h"
#include "foundation/base/crash_guard.h"
#include "foundation/base/invalid_parameter.h"
#include "support/temp_folder.h"

#ifdef KORVEL_TEST_HOOKS
namespace {

// A fresh folder per test; the death-test children change into it so their
// dumps land there.
class CrashDumpTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(folder_.empty()); }

    std::vector<std::string> DumpNames() const
    {
        std::vector<std::string> names;
        DIR* listing = opendir(folder_.c_str());
        if (!listing)
            return names;
        while (dirent* entry = readdir(listing)) {
            std::string name = entry->d_name;
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".dmp") == 0)
                names.push_back(name);
        }
        closedir(listing);
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string ReadFile(const std::string& name) const
    {
        std::ifstream input(folder_ + "/" + name);
        std::stringstream text;
        text << input.rdbuf();
        return text.str();
    }

    // Runs in the death-test child: the dump folder, and stdout into a file
    // the parent can read.
    void EnterFolder() const
    {
        if (chdir(folder_.c_str()) != 0)
            _exit(90);
        FILE* output = std::freopen((folder_ + "/stdout.txt").c_str(), "a", stdout);
        if (!output)
            _exit(91);
    }

    // A host child whose fault on an unguarded thread of its own ends it.
    void CrashTheHostOnAThread() const;

    KorvelTest::TempFolder place_{"korvel-dump"};
    const std::string& folder_ = place_.Root();
};

void FaultOnOwnThread()
{
    std::thread worker([] {
        InstallThreadAltStack();
        TriggerTestFault();
    });
    worker.join();
}

void CrashDumpTest::CrashTheHostOnAThread() const
{
    EXPECT_EXIT(
        {
            EnterFolder();
            InstallFaultHandler();
            InstallCrashHandlers(0);
            FaultOnOwnThread();
            _exit(0);
        },
        testing::KilledBySignal(SIGSEGV), "");
}

TEST_F(CrashDumpTest, FaultOnAnUnguardedThreadWritesOneDumpThenTheNextGetsANumberedName)
{
    for (int run = 0; run < 2; ++run) {
        CrashTheHostOnAThread();
    }
    EXPECT_EQ(DumpNames(), (std::vector<std::string>{"Korvel-44088.dmp", "Korvel-44088_2.dmp"}));
    EXPECT_EQ(CrashDumpFileName(), "Korvel-44088.dmp");
}

TEST_F(CrashDumpTest, DumpHoldsHeaderSignalFramesAndMaps)
{
    CrashTheHostOnAThread();
    std::string dump = ReadFile("Korvel-44088.dmp");
    EXPECT_EQ(dump.rfind("KORVELDMP1\nbuild 44088\n", 0), 0u) << dump.substr(0, 200);
    EXPECT_NE(dump.find("\nsignal 11 code "), std::string::npos);
#if defined(__x86_64__)
    EXPECT_NE(dump.find("\nregister rip 0x"), std::string::npos);
#endif
    EXPECT_NE(dump.find("\nframe 0 0x"), std::string::npos);
    EXPECT_NE(dump.find("\nmaps\n"), std::string::npos);
    std::string output = ReadFile("stdout.txt");
    EXPECT_NE(output.find("CreateMiniDump: " + folder_ + "/Korvel-44088.dmp\n"), std::string::npos) << output;
    EXPECT_NE(output.find("callstack: "), std::string::npos);
    EXPECT_NE(output.find("[<unknown>:-1]"), std::string::npos);
}

TEST_F(CrashDumpTest, OnlyTheFirstCrashWritesADump)
{
    EXPECT_EXIT(
        {
            EnterFolder();
            InstallFaultHandler();
            InstallCrashHandlers(0);
            WriteDumpNow();
            WriteDumpNow();
            FaultOnOwnThread();
            _exit(0);
        },
        testing::KilledBySignal(SIGSEGV), "");
    EXPECT_EQ(DumpNames(), (std::vector<std::string>{"Korvel-44088.dmp"}));
    EXPECT_NE(ReadFile("Korvel-44088.dmp").find("\nsignal 0 code 0"), std::string::npos);
}

// Which faults leave a dump: the guard wins on a guarded thread, nothing is
// installed outside the host, and nothing after the host ended.
struct NoDumpCase {
    const char* name;
    bool install;
    bool disable;
    bool guarded;
    int exitStatus;  // 0: killed by SIGSEGV
};

TEST_F(CrashDumpTest, FaultsThatWriteNoDump)
{
    const NoDumpCase cases[] = {
        {"guarded thread in the host", true, false, true, 156},
        {"handlers never installed", false, false, false, 0},
        {"host already ended", true, true, false, 0},
    };
    for (const NoDumpCase& test : cases) {
        SCOPED_TRACE(test.name);
        auto body = [&] {
            EnterFolder();
            InstallFaultHandler();
            if (test.install)
                InstallCrashHandlers(0);
            if (test.disable)
                DisableCrashHandlers();
            if (test.guarded) {
                CrashGuardScope guard;
                TriggerTestFault();
            }
            FaultOnOwnThread();
            _exit(0);
        };
        if (test.exitStatus != 0)
            EXPECT_EXIT(body(), testing::ExitedWithCode(test.exitStatus), "");
        else
            EXPECT_EXIT(body(), testing::KilledBySignal(SIGSEGV), "");
        EXPECT_TRUE(DumpNames().empty());
    }
}

TEST_F(CrashDumpTest, ExitWhileTheHostRunsWritesADumpAndAnOrderlyEndDoesNot)
{
    EXPECT_EXIT(
        {
            EnterFolder();
            InstallCrashHandlers(0);
            std::exit(3);
        },
        testing::ExitedWithCode(3), "");
    EXPECT_EQ(DumpNames(), (std::vector<std::string>{"Korvel-44088.dmp"}));
    EXPECT_EXIT(
        {
            EnterFolder();
            InstallCrashHandlers(0);
            DisableCrashHandlers();
            std::exit(4);
        },
        testing::ExitedWithCode(4), "");
    EXPECT_EQ(DumpNames().size(), 1u);
}

TEST_F(CrashDumpTest, InvalidParameterWritesADumpLogsAndAborts)
{
    EXPECT_EXIT(
        {
            EnterFolder();
            InstallCrashHandlers(0);
            InvalidParameterHandler("count > 0", nullptr, "store.cpp", 12);
        },
        testing::KilledBySignal(SIGABRT), "");
    EXPECT_EQ(DumpNames(), (std::vector<std::string>{"Korvel-44088.dmp"}));
    EXPECT_NE(ReadFile("stdout.txt").find("Invalid Parameter Handler> function=NULL, file=store.cpp, line=12\n"),
              std::string::npos);
}

TEST_F(CrashDumpTest, ExceptionEscapingAnUnguardedThreadWritesADump)
{
    EXPECT_EXIT(
        {
            EnterFolder();
            InstallCrashHandlers(0);
            std::thread([] { throw std::runtime_error("lost"); }).join();
            _exit(0);
        },
        testing::KilledBySignal(SIGABRT), "");
    EXPECT_EQ(DumpNames(), (std::vector<std::string>{"Korvel-44088.dmp"}));
}

TEST_F(CrashDumpTest, ExceptionEscapingAGuardedRegionEndsWith156AndNoDump)
{
    EXPECT_EXIT(
        {
            EnterFolder();
            InstallCrashHandlers(0);
            CrashGuardScope guard;
            std::thread([] {
                CrashGuardScope threadGuard;
                throw std::runtime_error("lost");
            }).join();
            _exit(0);
        },
        testing::ExitedWithCode(156), "");
    EXPECT_TRUE(DumpNames().empty());
}

}  // namespace
#endif
