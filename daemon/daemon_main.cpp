// The daemon's process: from start to the orderly close.
#include "daemon/daemon_main.h"

#include <signal.h>

#include <cstdio>
#include <string>
#include <thread>

#include "daemon/daemon_log.h"
#include "daemon/daemon_options.h"
#include "daemon/daemon_paths.h"
#include "daemon/daemon_server.h"
#include "daemon/ownership_block.h"
#include "daemon/asset_store_startup.h"
#include "daemon/daemon_config.h"
#include "daemon/store_connection.h"
#include "daemon/store_schema.h"
#include "platform/folders.h"

namespace {

// Termination signals are taken on a thread of their own, so the close runs
// as ordinary code and not inside a signal handler. Called before any other
// thread exists, so every thread inherits the blocked mask.
sigset_t BlockTerminationSignals()
{
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    return signals;
}

void WatchSignals(sigset_t signals, KADDaemonServer& server, KADDaemonLog& log)
{
    std::thread([signals, &server, &log] {
        int number = 0;
        if (sigwait(&signals, &number) == 0) {
            log.Write("signal %d: closing", number);
            server.RequestShutdown();
        }
    }).detach();
}

}  // namespace

int KADDaemonMain(int argc, char** argv)
{
    // A client that vanishes must never kill us through a write.
    signal(SIGPIPE, SIG_IGN);
    sigset_t signals = BlockTerminationSignals();

    KADDaemonOptions options;
    std::string error;
    if (!ParseDaemonOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "kaddaemon.exe: %s\n", error.c_str());
        return 2;
    }
    std::string executable;
    KADDaemonPaths paths;
    if (!Platform::GetExecutablePath(executable) || !KADDaemonPaths::FromExecutable(executable, paths) ||
        !paths.CreateFolders()) {
        std::fprintf(stderr, "kaddaemon.exe: cannot set up the user-data folder\n");
        return 1;
    }
    KADDaemonLog log;
    log.Open(paths.logPath);

    KADOwnershipBlock ownership;
    switch (ownership.Claim(paths.databasePath)) {
    case KADOwnershipBlock::ClaimResult::Owner:
        break;
    case KADOwnershipBlock::ClaimResult::AnotherDaemonRuns:
        log.Write("another daemon owns %s", paths.databasePath.c_str());
        return 0;
    case KADOwnershipBlock::ClaimResult::Failed:
        log.Write("cannot open the ownership block of %s", paths.databasePath.c_str());
        return 1;
    }

    // The index is migrated before anything is served; this connection
    // stays open for the final checkpoint.
    KADStoreConnection store;
    if (!store.Open(paths.indexPath) || !KADMigrateStore(store)) {
        log.Write("cannot open the index %s: %s", paths.indexPath.c_str(), store.LastError());
        return 1;
    }
    // A crash may have left a change half done: finish or roll it back
    // before the first client can see the store.
    const KADDaemonConfig config = KADLoadDaemonConfig(paths.databasePath);
    if (!KADStartAssetStore(paths, config, store))
        log.Write("the asset store could not recover its last change; it serves no assets");

    KADDaemonServer server(paths, config, options, log);
    if (!server.Start())
        return 1;
    WatchSignals(signals, server, log);
    ownership.PublishPort(server.Port());
    log.Write("serving %s on 127.0.0.1:%d", paths.databasePath.c_str(), server.Port());

    server.WaitForShutdownRequest();
    ownership.BeginClosing();
    server.Stop();
    store.Checkpoint();
    store.Close();
    ownership.Release();
    log.Write("closed");
    return 0;
}
