// The parse thread: one thread serves every caller, and a forked child makes its own.
#include <gtest/gtest.h>

#include <pthread.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "front_end_helpers.h"
#include "script/compiler/parse_thread.h"

namespace {

struct Probe {
    std::atomic<int>* running;
    std::atomic<int>* overlaps;
    pthread_t thread;
};

void RecordThread(void* argument)
{
    Probe* probe = static_cast<Probe*>(argument);
    if (probe->running->fetch_add(1) != 0)
        probe->overlaps->fetch_add(1);
    probe->thread = pthread_self();
    usleep(200);
    probe->running->fetch_sub(1);
}

TEST(ParserThread, CallersFromManyThreadsShareOneParseThreadInTurn)
{
    std::atomic<int> running{0};
    std::atomic<int> overlaps{0};
    std::vector<Probe> probes(40, Probe{&running, &overlaps, pthread_t{}});
    std::vector<std::thread> callers;
    for (int t = 0; t < 4; ++t) {
        callers.emplace_back([&probes, t] {
            for (int i = t; i < 40; i += 4)
                GSCompiler::RunOnParseThread(RecordThread, &probes[i]);
        });
    }
    for (std::thread& caller : callers)
        caller.join();
    EXPECT_EQ(overlaps.load(), 0);
    for (const Probe& probe : probes)
        EXPECT_TRUE(pthread_equal(probe.thread, probes[0].thread));
    EXPECT_FALSE(pthread_equal(probes[0].thread, pthread_self()));
}

void CallAgain(void* argument)
{
    // A job that asks for the parse thread again runs in place.
    GSCompiler::RunOnParseThread(RecordThread, argument);
}

TEST(ParserThread, AJobOnTheParseThreadCanParseAgain)
{
    std::atomic<int> running{0};
    std::atomic<int> overlaps{0};
    Probe probe{&running, &overlaps, pthread_t{}};
    GSCompiler::RunOnParseThread(CallAgain, &probe);
    EXPECT_FALSE(pthread_equal(probe.thread, pthread_self()));
}

// The deepest nesting the parser accepts needs the parse thread's stack; a
// child forked after the parent's thread started must make a thread of its
// own (waiting for the parent's would hang, which the alarm turns into a kill).
TEST(ParserThread, ForkedChildParsesDeepNesting)
{
    const std::string deep =
        "class A { void f() { x = " + std::string(9986, '(') + "y" + std::string(9986, ')') + "; } };";
    {
        GSCompileLog log;
        GSCompiler::FrontEnd front;
        ASSERT_EQ(front.ParseOnly("t.gs", deep, &log), 0);
    }
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        alarm(60);
        GSCompileLog log;
        GSCompiler::FrontEnd front;
        int result = front.ParseOnly("t.gs", deep, &log);
        _exit(result == 0 && front.MainUnit().root != nullptr ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "child ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
