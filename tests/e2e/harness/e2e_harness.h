// End-to-end harness: a fresh installation tree per test and real KorvelUtil processes run in it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace E2E {

struct RunOptions {
    // The process is killed (its whole process group) after this long.
    int timeoutMs = 60000;
    // Empty: the test's own working folder.
    std::string workingFolder;
    // "NAME=value" entries added to (or replacing in) the inherited environment.
    std::vector<std::string> environment;
};

struct RunResult {
    std::string out;
    std::string err;
    // The exit status (0-255) when the process exited, else -1.
    int exitStatus = -1;
    // The signal that ended it, 0 when it exited.
    int signal = 0;
    bool timedOut = false;
};

// The staged installation (cmake --install into <build>/stage, done once by
// the e2e_stage fixture test).
std::string StagedTree();

// Runs a program with arguments (argv[0] is the program path), capturing
// its standard output and error.
RunResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                     const RunOptions& options = {});

// A copy of the staged tree in a new temporary folder, removed with the
// object. Daemons started from it are ended first.
class Installation {
public:
    Installation();
    ~Installation();
    Installation(const Installation&) = delete;
    Installation& operator=(const Installation&) = delete;

    // The installation root (holds bin/, data/, and UserData/ once created).
    const std::string& Root() const { return root_; }
    // Root-relative path to an absolute one.
    std::string PathOf(const std::string& relative) const;
    std::string UtilityPath() const { return PathOf("bin/KorvelUtil"); }

    // Runs bin/KorvelUtil with the arguments, in bin/ unless told otherwise.
    RunResult Run(const std::vector<std::string>& arguments, RunOptions options = {}) const;

    void WriteFile(const std::string& relative, const std::string& content) const;
    std::string ReadFile(const std::string& relative) const;
    bool Exists(const std::string& relative) const;
    void Remove(const std::string& relative) const;
    // Every path below the root, root-relative and sorted.
    std::vector<std::string> ListTree() const;

    // Ends every process whose executable lies in this root (daemons that
    // KorvelUtil started), then runs the cleanup hooks.
    void StopDaemons() const;
    // The processes of one program of this tree that have not ended, by the
    // program's root-relative path ("bin/kaddaemon.exe").
    std::vector<int> ProcessesOf(const std::string& relative) const;

private:
    // The folder goes after the destructor has ended the daemons running from it.
    KorvelTest::TempFolder folder_{"KorvelE2E", KorvelTest::SystemTempParent()};
    std::string root_;
};

// Sends SIGKILL and returns once the process has ended (a zombie has ended:
// its files and sockets are closed); false when it outlived the time limit.
bool KillAndWaitForEnd(int pid, int timeoutMs = 10000);

// Called with the root when an installation is torn down, after its
// processes were ended: for clean-up the harness cannot know, such as the
// daemon's discovery block and lock file.
using CleanupHook = std::function<void(const std::string& root)>;
void AddCleanupHook(CleanupHook hook);

}  // namespace E2E
