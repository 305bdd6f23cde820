// End-to-end harness: fresh installation trees and real processes with captured output.
#include "e2e/harness/e2e_harness.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#ifdef KORVEL_E2E_DISCOVERY_CLEANUP
#include "e2e/harness/discovery_cleanup.h"
#endif

#ifndef KORVEL_E2E_STAGE_DIR
#error "KORVEL_E2E_STAGE_DIR must name the staged installation"
#endif

extern char** environ;

namespace fs = std::filesystem;

namespace E2E {

namespace {

using Clock = std::chrono::steady_clock;

std::mutex hooksLock;
std::vector<CleanupHook>& Hooks()
{
    static std::vector<CleanupHook> hooks;
    return hooks;
}

// Daemons started by a utility outlive it in their own session; as the
// subreaper we inherit them, so they can be reaped when ended.
void BecomeSubreaper()
{
    static std::once_flag once;
    std::call_once(once, [] { prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0); });
}

std::vector<std::string> MergedEnvironment(const std::vector<std::string>& extra)
{
    std::vector<std::string> merged;
    for (char** entry = environ; *entry; ++entry)
        merged.emplace_back(*entry);
    for (const std::string& item : extra) {
        std::string key = item.substr(0, item.find('=') + 1);
        merged.erase(std::remove_if(merged.begin(), merged.end(),
                                    [&](const std::string& e) { return e.compare(0, key.size(), key) == 0; }),
                     merged.end());
        merged.push_back(item);
    }
    return merged;
}

std::vector<char*> PointerTable(std::vector<std::string>& strings)
{
    std::vector<char*> table;
    for (std::string& s : strings)
        table.push_back(s.data());
    table.push_back(nullptr);
    return table;
}

[[noreturn]] void ExecChild(const std::string& program, std::vector<std::string> arguments, const RunOptions& options,
                            int outFd, int errFd)
{
    setpgid(0, 0);
    int devNull = open("/dev/null", O_RDONLY);
    dup2(devNull, STDIN_FILENO);
    dup2(outFd, STDOUT_FILENO);
    dup2(errFd, STDERR_FILENO);
    if (!options.workingFolder.empty() && chdir(options.workingFolder.c_str()) != 0)
        _exit(127);
    arguments.insert(arguments.begin(), program);
    std::vector<std::string> environment = MergedEnvironment(options.environment);
    std::vector<char*> argv = PointerTable(arguments);
    std::vector<char*> envp = PointerTable(environment);
    execve(program.c_str(), argv.data(), envp.data());
    _exit(127);
}

bool ReadSome(int fd, std::string& into)
{
    char buffer[65536];
    ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && (errno == EINTR || errno == EAGAIN))
        return true;
    if (got <= 0)
        return false;
    into.append(buffer, static_cast<std::size_t>(got));
    return true;
}

void RecordStatus(int status, RunResult& result)
{
    if (WIFEXITED(status))
        result.exitStatus = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        result.signal = WTERMSIG(status);
}

std::string ReadLink(const std::string& path)
{
    std::error_code error;
    fs::path target = fs::read_symlink(path, error);
    return error ? std::string() : target.string();
}

bool IsZombieOrGone(int pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::size_t close = text.rfind(')');
    if (text.empty() || close == std::string::npos || close + 2 >= text.size())
        return true;
    return text[close + 2] == 'Z';
}

std::vector<int> ProcessesRunningFrom(const std::string& root)
{
    std::vector<int> pids;
    std::string prefix = root + "/";
    std::error_code error;
    for (fs::directory_iterator it("/proc", error), end; !error && it != end; it.increment(error)) {
        std::string name = it->path().filename().string();
        if (name.empty() || !std::all_of(name.begin(), name.end(), ::isdigit))
            continue;
        int pid = std::atoi(name.c_str());
        if (pid == getpid())
            continue;
        std::string exe = ReadLink("/proc/" + name + "/exe");
        if (exe.compare(0, prefix.size(), prefix) == 0)
            pids.push_back(pid);
    }
    return pids;
}

void EndProcesses(const std::vector<int>& pids)
{
    for (int pid : pids)
        kill(pid, SIGTERM);
    Clock::time_point deadline = Clock::now() + std::chrono::seconds(5);
    for (int pid : pids) {
        while (!IsZombieOrGone(pid) && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (!IsZombieOrGone(pid))
            kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);  // ours when we are its subreaper; ECHILD otherwise
    }
}

}  // namespace

std::string StagedTree()
{
    return KORVEL_E2E_STAGE_DIR;
}

RunResult RunProcess(const std::string& program, const std::vector<std::string>& arguments, const RunOptions& options)
{
    BecomeSubreaper();
    int outPipe[2];
    int errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0)
        ExecChild(program, arguments, options, outPipe[1], errPipe[1]);
    setpgid(pid, pid);
    close(outPipe[1]);
    close(errPipe[1]);

    RunResult result;
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(options.timeoutMs);
    bool exited = false;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    // After the process ends, a stray descendant may still hold a pipe: read
    // for a short while more, then stop.
    Clock::time_point drainDeadline = Clock::time_point::max();
    while (open > 0 && Clock::now() < std::min(deadline, drainDeadline)) {
        if (poll(fds, 2, 50) > 0) {
            for (int i = 0; i < 2; ++i) {
                if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) &&
                    !ReadSome(fds[i].fd, *sinks[i])) {
                    close(fds[i].fd);
                    fds[i].fd = -1;
                    --open;
                }
            }
        }
        int status = 0;
        if (!exited && waitpid(pid, &status, WNOHANG) == pid) {
            exited = true;
            RecordStatus(status, result);
            drainDeadline = Clock::now() + std::chrono::seconds(2);
        }
    }
    if (!exited) {
        // Both pipes close while the process is still exiting, a moment before
        // it can be reaped: wait for it up to the deadline before calling it
        // timed out.
        int status = 0;
        pid_t reaped = 0;
        while ((reaped = waitpid(pid, &status, WNOHANG)) == 0 && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (reaped == pid) {
            RecordStatus(status, result);
        } else {
            result.timedOut = true;
            kill(-pid, SIGKILL);
            waitpid(pid, &status, 0);
            RecordStatus(status, result);
        }
    }
    for (pollfd& fd : fds)
        if (fd.fd >= 0)
            close(fd.fd);
    return result;
}

void AddCleanupHook(CleanupHook hook)
{
    std::lock_guard<std::mutex> hold(hooksLock);
    Hooks().push_back(std::move(hook));
}

Installation::Installation()
{
    BecomeSubreaper();
    if (folder_.Root().empty())
        throw std::runtime_error("cannot make a temporary folder for the installation");
    root_ = fs::canonical(folder_.Root()).string();
    if (!fs::is_directory(StagedTree()))
        throw std::runtime_error("no staged installation at " + StagedTree());
    fs::copy(StagedTree(), root_, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
}

Installation::~Installation()
{
    StopDaemons();
}

void Installation::StopDaemons() const
{
    EndProcesses(ProcessesRunningFrom(root_));
#ifdef KORVEL_E2E_DISCOVERY_CLEANUP
    RemoveDaemonDiscoveryNames(root_);
#endif
    std::vector<CleanupHook> hooks;
    {
        std::lock_guard<std::mutex> hold(hooksLock);
        hooks = Hooks();
    }
    for (const CleanupHook& hook : hooks)
        hook(root_);
}

std::vector<int> Installation::ProcessesOf(const std::string& relative) const
{
    std::string program = PathOf(relative);
    std::vector<int> running;
    for (int pid : ProcessesRunningFrom(root_)) {
        if (ReadLink("/proc/" + std::to_string(pid) + "/exe") == program && !IsZombieOrGone(pid))
            running.push_back(pid);
    }
    return running;
}

bool KillAndWaitForEnd(int pid, int timeoutMs)
{
    if (kill(pid, SIGKILL) != 0)
        return IsZombieOrGone(pid);
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!IsZombieOrGone(pid) && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return IsZombieOrGone(pid);
}

std::string Installation::PathOf(const std::string& relative) const
{
    return root_ + "/" + relative;
}

RunResult Installation::Run(const std::vector<std::string>& arguments, RunOptions options) const
{
    if (options.workingFolder.empty())
        options.workingFolder = PathOf("bin");
    return RunProcess(UtilityPath(), arguments, options);
}

void Installation::WriteFile(const std::string& relative, const std::string& content) const
{
    fs::path path = PathOf(relative);
    fs::create_directories(path.parent_path());
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!file)
        throw std::runtime_error("cannot write " + path.string());
}

std::string Installation::ReadFile(const std::string& relative) const
{
    std::ifstream file(PathOf(relative), std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

bool Installation::Exists(const std::string& relative) const
{
    std::error_code ignored;
    return fs::exists(fs::symlink_status(PathOf(relative), ignored));
}

void Installation::Remove(const std::string& relative) const
{
    std::error_code ignored;
    fs::remove_all(PathOf(relative), ignored);
}

std::vector<std::string> Installation::ListTree() const
{
    std::vector<std::string> paths;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root_))
        paths.push_back(fs::relative(entry.path(), root_).string());
    std::sort(paths.begin(), paths.end());
    return paths;
}

}  // namespace E2E
