// Detached launch, liveness, ids, debugger detection and the folder helpers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/folders.h"
#include "platform/process.h"
#include "support/temp_folder.h"

namespace {

std::string ReadWhole(const std::string& path)
{
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(SpawnTest, ChildRunsDetachedInItsFolderWithNullStdio)
{
    KorvelTest::TempFolder scratch;
    ASSERT_FALSE(scratch.Root().empty());
    const std::string folder = scratch.Root();
    // The shell's stdin and stderr (its stdout is redirected here), its pid
    // and its session id (field 6 of /proc/<pid>/stat).
    std::string script = "pwd > result; readlink /proc/$$/fd/0 /proc/$$/fd/2 >> result; echo $$ >> result; "
                         "cut -d' ' -f6 /proc/$$/stat >> result; mv result done";
    int pid = Platform::SpawnDetached("/bin/sh", {"-c", script}, folder);
    ASSERT_GT(pid, 0);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::string id = std::to_string(pid);
    EXPECT_EQ(ReadWhole(folder + "/done"), folder + "\n/dev/null\n/dev/null\n" + id + "\n" + id + "\n");
    EXPECT_FALSE(Platform::IsProcessAlive(pid));
}

TEST(SpawnTest, FailuresGiveZero)
{
    EXPECT_EQ(Platform::SpawnDetached("", {}, ""), 0);
    EXPECT_EQ(Platform::SpawnDetached("/nonexistent/program", {}, ""), 0);
    EXPECT_EQ(Platform::SpawnDetached("/bin/true", {}, "/nonexistent/folder"), 0);
    Platform::ReapChildren();
}

TEST(ProcessTest, AForkedChildHasItsOwnThreadId)
{
    const int parentId = Platform::CurrentThreadId();
    pid_t child = fork();
    if (child == 0)
        _exit(Platform::CurrentThreadId() == static_cast<int>(gettid()) && Platform::CurrentThreadId() != parentId ? 0
                                                                                                                   : 1);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(ProcessTest, IdsAndLiveness)
{
    EXPECT_EQ(Platform::CurrentProcessId(), getpid());
    EXPECT_EQ(Platform::CurrentThreadId(), static_cast<int>(gettid()));
    EXPECT_TRUE(Platform::IsProcessAlive(getpid()));
    EXPECT_TRUE(Platform::IsProcessAlive(1));
    EXPECT_FALSE(Platform::IsProcessAlive(0));
    pid_t child = fork();
    if (child == 0)
        _exit(0);
    // Ended but not reaped: a zombie is not a live process.
    siginfo_t info{};
    ASSERT_EQ(waitid(P_PID, child, &info, WEXITED | WNOWAIT), 0);
    EXPECT_FALSE(Platform::IsProcessAlive(child));
    waitpid(child, nullptr, 0);
    EXPECT_FALSE(Platform::IsProcessAlive(child));
}

TEST(ProcessTest, DebuggerDetectionReadsTracerPid)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    bool traced = false;
    while (std::getline(status, line)) {
        if (line.rfind("TracerPid:", 0) == 0)
            traced = std::atoi(line.c_str() + 10) != 0;
    }
    EXPECT_EQ(Platform::IsDebuggerPresent(), traced);
}

TEST(FoldersTest, ExecutableAndWorkingFolder)
{
    std::string executable;
    ASSERT_TRUE(Platform::GetExecutablePath(executable));
    EXPECT_EQ(executable.front(), '/');
    EXPECT_NE(executable.find("platform_tests"), std::string::npos);
    std::string before, after;
    ASSERT_TRUE(Platform::GetCurrentFolder(before));
    ASSERT_TRUE(Platform::SetCurrentFolder("/"));
    ASSERT_TRUE(Platform::GetCurrentFolder(after));
    EXPECT_EQ(after, "/");
    EXPECT_FALSE(Platform::SetCurrentFolder("/nonexistent/folder"));
    EXPECT_FALSE(Platform::SetCurrentFolder(nullptr));
    ASSERT_TRUE(Platform::SetCurrentFolder(before.c_str()));
}
