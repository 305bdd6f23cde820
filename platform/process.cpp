// Detached process launch, liveness, ids and debugger detection on Linux.
#include "platform/process.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace Platform {

int SpawnDetached(const std::string& executable, const std::vector<std::string>& arguments,
                  const std::string& workingFolder)
{
    if (executable.empty())
        return 0;
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(executable.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    if (posix_spawn_file_actions_init(&actions) != 0)
        return 0;
    if (posix_spawnattr_init(&attributes) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return 0;
    }
    bool ready = posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0) == 0 &&
                 posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0) == 0 &&
                 posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0) == 0;
    if (ready && !workingFolder.empty())
        ready = posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str()) == 0;
    // A new session: the caller's terminal signals (Ctrl+C) never reach it.
    // Signals the caller blocks or ignores are reset so the child starts clean.
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    if (ready)
        ready = posix_spawnattr_setflags(&attributes,
                                         POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) == 0 &&
                posix_spawnattr_setsigmask(&attributes, &none) == 0 &&
                posix_spawnattr_setsigdefault(&attributes, &all) == 0;
    pid_t pid = 0;
    int rc = ready ? posix_spawn(&pid, executable.c_str(), &actions, &attributes, argv.data(), environ) : -1;
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return rc == 0 ? static_cast<int>(pid) : 0;
}

namespace {

// A process that has ended but was not reaped yet still answers kill(pid, 0).
// A daemon ends detached from its starter, and where nothing reaps orphans
// (a container whose first process is not an init) it stays a zombie for
// good, so its published pid would count as a live owner of the database.
bool IsZombie(int pid)
{
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/stat", pid);
    FILE* stat = fopen(path, "re");
    if (!stat)
        return false;
    char buffer[512];
    size_t length = fread(buffer, 1, sizeof buffer - 1, stat);
    fclose(stat);
    buffer[length] = '\0';
    // "pid (name) S ...": the name may hold spaces and parentheses.
    const char* close = strrchr(buffer, ')');
    if (!close || close[1] != ' ')
        return false;
    return close[2] == 'Z' || close[2] == 'X';
}

}  // namespace

bool IsProcessAlive(int pid)
{
    if (pid <= 0)
        return false;
    if (kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM)
        return false;
    return !IsZombie(pid);
}

bool IsDebuggerPresent()
{
    FILE* status = fopen("/proc/self/status", "re");
    if (!status)
        return false;
    char line[256];
    bool traced = false;
    while (fgets(line, sizeof(line), status)) {
        if (strncmp(line, "TracerPid:", 10) != 0)
            continue;
        traced = atoi(line + 10) != 0;
        break;
    }
    fclose(status);
    return traced;
}

namespace {
// gettid is a system call every time, and every hold of the global data lock
// asks for the id (a config check takes thousands of holds). A thread's id
// never changes, except in a forked child: its one thread is new, so the
// child forgets the id the forking thread had kept.
thread_local int keptThreadId = 0;

void ForgetThreadIdInChild()
{
    keptThreadId = 0;
}
}  // namespace

int CurrentThreadId()
{
    static const bool forgetsInChild = pthread_atfork(nullptr, nullptr, ForgetThreadIdInChild) == 0;
    if (keptThreadId == 0 || !forgetsInChild)
        keptThreadId = static_cast<int>(syscall(SYS_gettid));
    return keptThreadId;
}

int CurrentProcessId()
{
    return static_cast<int>(getpid());
}

void SleepMilliseconds(int ms)
{
    struct timespec pause = {ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&pause, &pause) != 0 && errno == EINTR) {}
}

int WaitForChild(int pid, int* status)
{
    int result;
    while ((result = waitpid(pid, status, 0)) < 0 && errno == EINTR) {}
    return result;
}

int ReapChildren()
{
    int reaped = 0;
    int status;
    while (waitpid(-1, &status, WNOHANG) > 0)
        ++reaped;
    return reaped;
}

}  // namespace Platform
