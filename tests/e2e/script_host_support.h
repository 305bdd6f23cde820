// Scripts run in the script host by the real gsrun (--host), and the lines of its output contract.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "e2e/harness/e2e_harness.h"

namespace HostScripts {

struct HostRun {
    E2E::RunResult process;
    std::vector<std::string> lines;  // every output line
};

// The host script of tests/e2e/scripts/host.
inline std::string ScriptPath(const std::string& name)
{
    return std::string(KORVEL_E2E_HOST_SCRIPTS_DIR) + "/" + name;
}

// gsrun --host [options] SCRIPT CLASS steps...; the options come first
// (--root, --asset); runOptions adds to the process's environment.
inline HostRun RunHost(const std::string& script, const std::string& className, const std::vector<std::string>& steps,
                       const std::vector<std::string>& options = {}, const E2E::RunOptions& runOptions = {})
{
    std::vector<std::string> arguments = {"--host"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.push_back(ScriptPath(script));
    arguments.push_back(className);
    arguments.insert(arguments.end(), steps.begin(), steps.end());
    HostRun run;
    run.process = E2E::RunProcess(KORVEL_GSRUN, arguments, runOptions);
    std::istringstream lines(run.process.out);
    for (std::string line; std::getline(lines, line);)
        run.lines.push_back(line);
    return run;
}

// One call of a script method and what it must give: "ok VALUE" (gsrun's
// form) or "fail"; a failing call names the exception the script reported.
struct CallRow {
    std::string signature;
    std::vector<std::string> arguments;
    std::string result;
    std::string raised = "";
};

// Runs every row's call in one process, in order (a stopped script thread
// never stops the process), and checks each call's line, the exception
// reported before it, and that nothing is left alive at the end.
inline HostRun ExpectCalls(const std::string& script, const std::string& className, const std::vector<CallRow>& rows,
                           const std::vector<std::string>& options = {})
{
    std::vector<std::string> steps;
    bool anyFails = false;
    for (const CallRow& row : rows) {
        steps.push_back("--call");
        steps.push_back(row.signature);
        steps.insert(steps.end(), row.arguments.begin(), row.arguments.end());
        anyFails = anyFails || row.result == "fail";
    }
    const HostRun run = RunHost(script, className, steps, options);
    EXPECT_TRUE(run.process.signal == 0 && !run.lines.empty() && run.lines.front() == "LOAD 0" &&
                run.lines.back() == "LIVE 0")
        << run.process.out << run.process.err;
    EXPECT_EQ(run.process.exitStatus, anyFails ? 1 : 0) << run.process.err;
    size_t line = 0;
    for (const CallRow& row : rows) {
        const std::string expected = "CALL " + row.signature + " -> " + row.result;
        bool raised = row.raised.empty();
        while (line < run.lines.size() && run.lines[line].rfind("CALL ", 0) != 0) {
            raised = raised || run.lines[line].rfind("LOG " + row.raised, 0) == 0;
            ++line;
        }
        if (line == run.lines.size()) {
            ADD_FAILURE() << "no line for " << expected << "\n" << run.process.out << run.process.err;
            break;
        }
        EXPECT_EQ(run.lines[line], expected);
        EXPECT_TRUE(raised) << expected << " raises " << row.raised << "\n" << run.process.out;
        ++line;
    }
    return run;
}

// Whether some LOG line starts with the text (an exception's report ends
// with the library that raised it).
inline bool Logged(const HostRun& run, const std::string& text)
{
    for (const std::string& line : run.lines) {
        if (line.rfind("LOG " + text, 0) == 0)
            return true;
    }
    return false;
}

// The run loaded its script and ended with nothing alive.
inline void ExpectCleanEnd(const HostRun& run)
{
    ASSERT_FALSE(run.lines.empty()) << run.process.err;
    EXPECT_EQ(run.lines.front(), "LOAD 0") << run.process.err;
    EXPECT_EQ(run.lines.back(), "LIVE 0") << run.process.out;
    EXPECT_EQ(run.process.signal, 0) << run.process.err;
}

}  // namespace HostScripts
