// End-to-end run tables: one row per run of KorvelUtil in a fresh
// installation, with the files it finds and what it must print and return.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "e2e/harness/e2e_harness.h"

namespace KorvelTest {

struct RunRow {
    // Names the generated test: letters and digits only.
    std::string name;
    std::vector<std::string> arguments;
    // Root-relative files written before the run, and paths removed.
    std::vector<std::pair<std::string, std::string>> files = {};
    std::vector<std::string> removed = {};
    std::vector<std::string> environment = {};
    int exitStatus = 0;
    // Checked whole when given.
    std::optional<std::string> out = std::nullopt;
    std::optional<std::string> err = std::nullopt;
    // Checked as the end of the error output when given.
    std::optional<std::string> errEndsWith = std::nullopt;
    // Text the output must not hold (a results log that must not be printed).
    std::optional<std::string> outLacks = std::nullopt;
    // Root-relative paths that exist after the run.
    std::vector<std::string> existing = {};
    // The run leaves the installation tree as it found it.
    bool touchesNothing = false;
};

inline std::ostream& operator<<(std::ostream& out, const RunRow& row)
{
    return out << row.name;
}

inline std::string RunRowName(const ::testing::TestParamInfo<RunRow>& info)
{
    return info.param.name;
}

// Runs the row in a fresh installation and checks everything it gives.
inline void ExpectRun(const RunRow& row)
{
    E2E::Installation install;
    for (const auto& [path, content] : row.files)
        install.WriteFile(path, content);
    for (const std::string& path : row.removed)
        install.Remove(path);
    const std::vector<std::string> before = install.ListTree();
    E2E::RunOptions options;
    options.environment = row.environment;
    E2E::RunResult run = install.Run(row.arguments, options);
    EXPECT_EQ(run.signal, 0) << run.err;
    EXPECT_EQ(run.exitStatus, row.exitStatus) << run.err;
    if (row.out) {
        EXPECT_EQ(run.out, *row.out);
    }
    if (row.err) {
        EXPECT_EQ(run.err, *row.err);
    }
    if (row.errEndsWith) {
        ASSERT_GE(run.err.size(), row.errEndsWith->size()) << run.err;
        EXPECT_EQ(run.err.substr(run.err.size() - row.errEndsWith->size()), *row.errEndsWith);
    }
    if (row.outLacks) {
        EXPECT_EQ(run.out.find(*row.outLacks), std::string::npos) << run.out;
    }
    for (const std::string& path : row.existing) {
        EXPECT_TRUE(install.Exists(path)) << path;
    }
    if (row.touchesNothing) {
        EXPECT_EQ(install.ListTree(), before);
    }
}

}  // namespace KorvelTest
