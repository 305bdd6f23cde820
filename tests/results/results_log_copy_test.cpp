// CopyFrom: replacing one log's lines and counters by another's.
#include <gtest/gtest.h>

#include <thread>

#include "results_log_test_support.h"

using Kind = ResultsLog::MessageKind;

TEST(ResultsLogCopyFrom, ReplacesLinesAndCountersAndClearsTheSentFlag)
{
    ResultsLog task;
    task.AddMessage(Kind::Warning, AssetProperty(5, 100, 0), Zel::String("w"));
    task.AddMessage(Kind::Error, "e");
    task.AddMessage(Kind::Success, "s");
    ResultsLog command;
    command.AddMessage(Kind::Error, "replaced");
    PrintToString(command);
    ASSERT_TRUE(command.IsSent());

    command.CopyFrom(task);
    EXPECT_FALSE(command.IsSent());
    EXPECT_EQ(command.ErrorCount(), 1);
    EXPECT_EQ(command.WarningCount(), 1);
    EXPECT_EQ(command.SuccessCount(), 1);
    EXPECT_EQ(PrintToString(command), "! <kuid:5:100> : w\n- <NULL> : e\n+ <NULL> : s\nOK (1 Errors, 1 Warnings)\n");

    // The texts are copies: the source may change on.
    task.AddMessage(Kind::Error, "later");
    EXPECT_EQ(command.LineCount(), 3);
}

TEST(ResultsLogCopyFrom, PropertiesAreSharedNotCopied)
{
    ResultsLog task;
    task.AddMessage(Kind::Info, AssetProperty(1, 2, 0), Zel::String("x"));
    ResultsLog command;
    command.CopyFrom(task);
    EXPECT_EQ(command.Lines()[0].property.Get(), task.Lines()[0].property.Get());
}

TEST(ResultsLogCopyFrom, CopyIntoItselfChangesNothing)
{
    ResultsLog log;
    log.AddMessage(Kind::Error, "e");
    PrintToString(log);
    log.CopyFrom(log);
    EXPECT_EQ(log.LineCount(), 1);
    EXPECT_EQ(log.ErrorCount(), 1);
    EXPECT_TRUE(log.IsSent());
}

TEST(ResultsLogCopyFrom, TwoLogsCopiedIntoEachOtherOnTwoThreadsFinish)
{
    ResultsLog a;
    ResultsLog b;
    a.AddMessage(Kind::Error, "a");
    b.AddMessage(Kind::Warning, "b");
    std::thread one([&] {
        for (int i = 0; i < 2000; ++i)
            a.CopyFrom(b);
    });
    std::thread two([&] {
        for (int i = 0; i < 2000; ++i)
            b.CopyFrom(a);
    });
    one.join();
    two.join();
    EXPECT_EQ(a.LineCount(), 1);
    EXPECT_EQ(b.LineCount(), 1);
}
