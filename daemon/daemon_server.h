// The daemon's listener, connection readers, request dispatch and idle watch.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "assetdb/protocol/kad_request_reader.h"
#include "daemon/connection_limits.h"
#include "daemon/daemon_config.h"
#include "daemon/daemon_options.h"
#include "daemon/daemon_paths.h"
#include "daemon/payload_budget.h"
#include "daemon/request_context.h"
#include "daemon/request_table.h"
#include "daemon/store_connection.h"
#include "daemon/worker_pool.h"

class KADDaemonLog;

class KADDaemonServer : public KADDaemonControl {
public:
    // config: what kaddaemon.cfg said at start, kept for the whole run.
    KADDaemonServer(const KADDaemonPaths& paths, const KADDaemonConfig& config, const KADDaemonOptions& options,
                    KADDaemonLog& log);
    ~KADDaemonServer() override;
    KADDaemonServer(const KADDaemonServer&) = delete;
    KADDaemonServer& operator=(const KADDaemonServer&) = delete;

    // Listens on 127.0.0.1 on a port the system picks and starts accepting.
    bool Start();
    int Port() const { return port; }

    void RequestShutdown() override;
    // Returns once a close was asked for: CloseDaemon, the idle time, a signal.
    void WaitForShutdownRequest();
    // Stops accepting, lets every reader end, finishes the requests already
    // taken (their replies still go out) and closes every connection.
    void Stop();

private:
    void AcceptLoop();
    void WatchIdle();
    // Under the state lock, at the connection limit: closes the quiet
    // connection that holds nothing and was heard from longest ago, one
    // still in its handshake first. False when every connection is busy.
    bool MakeRoom();
    void ServeConnection(std::shared_ptr<KADConnection> connection);
    // After a receive time-out: false when the connection is to close.
    bool StaysOpen(KADConnection& connection);
    bool AcceptHandshake(KADConnection& connection, const KADHandshake& handshake);
    // False when the connection is to end after this request.
    bool Dispatch(const std::shared_ptr<KADConnection>& connection, KADRequestFrame& frame, KADPayloadClaim claim);
    // The claim goes as soon as the handler is done with the payload.
    void RunRequest(KADRequestContext& context, const KADRequestEntry& entry, KADPayloadClaim& claim);
    // An index connection for an Inline request, opened when none is free;
    // null when the index cannot be opened.
    std::unique_ptr<KADStoreConnection> TakeInlineStore();
    void GiveBackInlineStore(std::unique_ptr<KADStoreConnection> store);
    void ClientArrived();
    void ClientLeft();

    KADDaemonPaths paths;
    KADDaemonOptions options;
    KADDaemonLog& log;
    KADDaemonConfig config;
    const KADConnectionLimits& limits;
    std::size_t maxConnections = 0;
    KADPayloadBudget payloadBudget;
    KADRequestTable table;
    KADWorkerPool fastPool;
    KADWorkerPool longPool;
    std::mutex inlineStoresLock;
    std::vector<std::unique_ptr<KADStoreConnection>> inlineStores;

    int listenSocket = -1;
    int port = 0;
    std::thread acceptThread;
    std::thread idleThread;

    std::mutex stateLock;
    std::condition_variable stateChanged;
    bool shutdownRequested = false;
    bool stopping = false;
    int activeClients = 0;
    int readers = 0;
    std::chrono::steady_clock::time_point lastClientLeft;
    std::set<std::shared_ptr<KADConnection>> connections;
};
