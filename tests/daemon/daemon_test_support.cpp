// A temporary installation with the real daemon in it: start, wait, and the ownership block.
#include "daemon_test_support.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "assetdb/protocol/kad_ipc_block_view.h"
#include "assetdb/protocol/kad_ipc_names.h"
#include "platform/ipc.h"
#include "zel/ascii.h"

namespace {

constexpr auto PollStep = std::chrono::milliseconds(20);
// Bounds for waits on a real process; a healthy daemon needs a fraction.
constexpr auto StartBound = std::chrono::seconds(30);

KADIpcNameSet NamesOf(const std::string& databasePath)
{
    KADIpcNameSet names;
    KADIpcNames(databasePath, names);
    return names;
}

}  // namespace

KADTestInstallation::KADTestInstallation()
{
    // Failures show as a daemon that does not start, not as an exception here.
    std::error_code ignored;
    std::filesystem::create_directories(root + "/bin", ignored);
    std::filesystem::copy_file(KAD_DAEMON_EXECUTABLE, root + "/bin/kaddaemon.exe", ignored);
}

KADTestInstallation::~KADTestInstallation()
{
    for (pid_t pid : daemons) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    KADIpcNameSet names = NamesOf(DatabasePath());
    Platform::SharedBlock::Remove(names.blockWindowsName);
    unlink(names.lockPath.c_str());
}

std::string KADTestInstallation::ClientDatabasePath() const
{
    return Zel::AsciiLowerCopy(root) + "/UserData/assets.tdx";
}

pid_t KADTestInstallation::StartDaemon(const std::vector<std::string>& arguments)
{
    std::string program = root + "/bin/kaddaemon.exe";
    pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> argv;
        argv.push_back(program.data());
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        if (chdir((root + "/bin").c_str()) != 0)
            _exit(127);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    if (pid > 0)
        daemons.push_back(pid);
    return pid;
}

int KADTestInstallation::WaitForPort(pid_t pid)
{
    auto deadline = std::chrono::steady_clock::now() + StartBound;
    while (std::chrono::steady_clock::now() < deadline) {
        BlockState state;
        if (ReadBlock(state) && state.owner == pid && state.port != 0 && state.closing == 0)
            return state.port;
        if (!IsRunning(pid))
            return 0;
        std::this_thread::sleep_for(PollStep);
    }
    return 0;
}

bool KADTestInstallation::IsRunning(pid_t pid)
{
    int status = 0;
    pid_t result = waitpid(pid, &status, WNOHANG);
    if (result == 0)
        return true;
    if (result == pid) {
        // Reaped here: remember the exit for WaitForExit.
        exitCodes[pid] = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::erase(daemons, pid);
    }
    return false;
}

std::optional<int> KADTestInstallation::WaitForExit(pid_t pid, int seconds)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        if (!IsRunning(pid)) {
            auto found = exitCodes.find(pid);
            if (found == exitCodes.end())
                return std::nullopt;
            return found->second;
        }
        std::this_thread::sleep_for(PollStep);
    }
    return std::nullopt;
}

bool KADTestInstallation::ReadBlock(BlockState& state)
{
    Platform::SharedBlock block;
    if (!block.Open(NamesOf(DatabasePath()).blockWindowsName, KADIpcBlockView::Size, false))
        return false;
    KADIpcBlockView view(block.Data());
    state.keeper = view.Keeper();
    state.owner = view.Owner();
    state.version = view.Version();
    state.closing = view.Closing();
    state.port = view.Port();
    return true;
}

bool KADTestInstallation::IsBlockReleased()
{
    BlockState state;
    return ReadBlock(state) && state.owner == -1 && state.port == 0 && state.closing == 0;
}

void KADTestInstallation::WriteBlock(const BlockState& state)
{
    Platform::SharedBlock block;
    if (!block.Open(NamesOf(DatabasePath()).blockWindowsName, KADIpcBlockView::Size, true))
        return;
    KADIpcBlockView view(block.Data());
    view.Initialise(state.keeper);
    view.SetOwner(state.owner);
    view.SetVersion(state.version);
    view.SetClosing(state.closing);
    view.SetPort(state.port);
}
