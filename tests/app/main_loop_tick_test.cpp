// The main-loop tick, the script log sink and shutdown after a failed start-up.
#include <atomic>
#include <cstdio>
#include <thread>

#include <gtest/gtest.h>

#include "app/application.h"
#include "foundation/base/job_dispatcher.h"
#include "foundation/base/process_values.h"
#include "foundation/base/tcx_callback.h"
#include "zel/log.h"
#include "zel/options.h"

namespace {

std::atomic<int> jobsRun{0};

int CountJob(intptr_t)
{
    ++jobsRun;
    return 0;
}

void PostMainThreadJobs(int count)
{
    // Posted from another thread, as the daemon client's reader does.
    std::thread poster([count] {
        for (int i = 0; i < count; ++i)
            JobDispatcher::Instance().Post(JobMainThreadOnly | JobAsynchronous, 0, nullptr,
                                           new TCXCallbackCIntPtr(CountJob));
    });
    poster.join();
}

TEST(TickMainLoop, RunsTheQueuedMainThreadJobsAndAdvancesTheClock)
{
    SetMainThreadId();
    jobsRun = 0;
    PostMainThreadJobs(3);
    std::uint32_t ticks = GlobalTickCount.load();
    TickMainLoop();
    EXPECT_EQ(jobsRun.load(), 3);
    EXPECT_EQ(GlobalTickCount.load(), ticks + 1);
    float first = ApplicationClock.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    TickMainLoop();
    EXPECT_GT(ApplicationClock.load(), first);
    EXPECT_FALSE(JobDispatcher::Instance().HasPending());
}

TEST(ScriptLogSink, WritesAScriptLogLine)
{
    std::FILE* file = std::tmpfile();
    Zel::Log::Init(Zel::Options("-LogStdOut"));
    Zel::Log::SetOutput(file);
    ScriptLogSink("GS Link error: %s (%d)", "missing", 7);
    Zel::Log::SetOutput(nullptr);
    std::rewind(file);
    char line[256] = {};
    ASSERT_NE(std::fgets(line, sizeof line, file), nullptr);
    std::fclose(file);
    EXPECT_NE(std::string(line).find("ScriptLog> GS Link error: missing (7)"), std::string::npos) << line;
}

TEST(ShutdownApplication, AfterNothingWasStartedItSkipsEverything)
{
    AppContext context;
    EXPECT_FALSE(ShutdownApplication(context));
    EXPECT_EQ(context.os, nullptr);
    EXPECT_FALSE(IsStartupComplete());
}

}  // namespace
