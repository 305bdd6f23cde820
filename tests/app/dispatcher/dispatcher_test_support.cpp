// Runs one command line through DispatchCommand in process and collects what it wrote and printed.
#include "dispatcher_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "foundation/base/app_context.h"
#include "app/dispatcher.h"
#include "results/results_log_test_support.h"

DispatchOutcome RunCommandLine(std::vector<std::string> words)
{
    words.insert(words.begin(), "/opt/korvel/bin/KorvelUtil");
    std::vector<char*> table;
    for (std::string& word : words)
        table.push_back(word.data());
    ResultsLog log;
    AppContext context;
    testing::internal::CaptureStdout();
    int result = DispatchCommand(log, context, int(table.size()), table.data());
    std::fflush(stdout);
    std::string output = testing::internal::GetCapturedStdout();
    return {output + PrintToString(log), result};
}
