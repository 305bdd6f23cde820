// Starting a command host process: its program line, session, folders, output log and signals.
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "daemon/command_host_manager.h"
#include "platform/folders.h"

extern char** environ;

namespace {

// The spawn attributes and file actions, released whatever happens.
struct SpawnSetup {
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_t actions;
    SpawnSetup()
    {
        posix_spawnattr_init(&attributes);
        posix_spawn_file_actions_init(&actions);
    }
    ~SpawnSetup()
    {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
};

}  // namespace

std::vector<std::string> KADCommandHostArguments(const std::string& installRoot)
{
    return {installRoot + "/bin/KorvelUtil", "kadcommandhost", "norender", "-nokadclient"};
}

pid_t KADSpawnCommandHost(const std::string& installRoot, const std::string& userDataRoot, std::string& error)
{
    static std::atomic<int> counter{0};
    std::string logFolder = userDataRoot + "/cache/logs";
    if (!Platform::MakeFolders(logFolder)) {
        error = "Unable to start a command host: cannot create its log file.";
        return 0;
    }
    // The child's id is known only after the start: the log is opened under
    // a name of ours and renamed after it.
    std::string openedAs = logFolder + "/commandhost-starting-" + std::to_string(getpid()) + "-" +
                           std::to_string(counter.fetch_add(1)) + ".log";
    int output = open(openedAs.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (output < 0) {
        error = "Unable to start a command host: cannot create its log file.";
        return 0;
    }

    SpawnSetup setup;
    // The host ends in order on SIGINT/SIGQUIT/SIGHUP/SIGTERM through its own
    // handlers; a mask or ignored disposition inherited from us would make
    // the time-out's SIGTERM do nothing.
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int signal : {SIGINT, SIGQUIT, SIGHUP, SIGTERM})
        sigaddset(&defaults, signal);
    posix_spawnattr_setsigmask(&setup.attributes, &none);
    posix_spawnattr_setsigdefault(&setup.attributes, &defaults);
    posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);
    std::string folder = installRoot + "/bin";
    posix_spawn_file_actions_addopen(&setup.actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&setup.actions, output, 1);
    posix_spawn_file_actions_adddup2(&setup.actions, output, 2);
    posix_spawn_file_actions_addchdir_np(&setup.actions, folder.c_str());

    std::vector<std::string> arguments = KADCommandHostArguments(installRoot);
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    int failed = posix_spawn(&child, argv[0], &setup.actions, &setup.attributes, argv.data(), environ);
    close(output);
    if (failed != 0) {
        unlink(openedAs.c_str());
        error = std::string("Unable to start a command host: ") + std::strerror(failed) + ".";
        return 0;
    }
    rename(openedAs.c_str(), (logFolder + "/commandhost-" + std::to_string(child) + ".log").c_str());
    return child;
}
