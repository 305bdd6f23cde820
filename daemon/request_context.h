// What a request handler is given: the request, its reply, its connection and the store.
#pragma once

#include <cstdint>
#include <memory>

#include "foundation/streams/t_buffer.h"
#include "daemon/daemon_connection.h"

class KADStoreConnection;
class ResultsLog;
struct KADDaemonConfig;
struct KADDaemonPaths;

// Services of the daemon a handler may call.
class KADDaemonControl {
public:
    virtual ~KADDaemonControl() = default;
    // Starts the orderly close of the whole daemon; returns at once.
    virtual void RequestShutdown() = 0;
};

struct KADRequestContext {
    std::shared_ptr<KADConnection> connection;
    std::int32_t code = 0;
    std::int32_t transactionId = 0;
    // The payload, positioned at its start.
    TBuffer request;
    // Written by the handler; sent whole as the one reply after it returns.
    // A handler that fails leaves an empty reply.
    TBuffer reply;
    // The calling worker's own connection to the index; null on the reader
    // lane, whose handlers must not touch the index.
    KADStoreConnection* store = nullptr;
    KADDaemonControl* control = nullptr;
    // The daemon's folders and what kaddaemon.cfg said at start, as the
    // server found them once; null only for a context made without a server.
    const KADDaemonPaths* paths = nullptr;
    const KADDaemonConfig* config = nullptr;
    // Set by a handler that wants the connection closed after its reply.
    bool closeAfterReply = false;

    // Sends the log's lines from firstLine on as one type-3 note for this
    // request. Lines go out before the reply because the handler sends them
    // before it returns; the client adds them to the request's log as they
    // arrive.
    void SendResultLines(const ResultsLog& log, std::int32_t firstLine = 0);
};
