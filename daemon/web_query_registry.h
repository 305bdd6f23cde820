// The daemon's web queries: each fetched on a worker, polled and closed by the connection that started it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "assetdb/protocol/kad_protocol.h"
#include "daemon/web_query_config.h"
#include "daemon/web_query_fetch.h"

class KADConnection;

struct KADWebHandle {
    std::int32_t first = -1;
    std::int32_t second = -1;
};

// What GetWebQueryStatus reports.
struct KADDaemonWebQueryStatus {
    bool complete = false;
    std::uint32_t httpStatus = 0;
    std::uint32_t resultCode = 0;
    std::uint32_t byteCount = 0;
    std::string file;
    std::string text;
};

// A handle that names no query of the asking connection completes at once
// with this code, so a client polling it never waits for ever.
constexpr std::uint32_t KADWebResultUnknownQuery = KADWebResultTransferBase + 2;
// Too many queries at once: refused with this code instead of queued.
constexpr std::uint32_t KADWebResultBusy = KADWebResultTransferBase + 89;

class KADWebQueries {
public:
    // `cacheFolder` receives the result files q<id>.<extension of the fetched name>; files left there by
    // an earlier run are removed.
    explicit KADWebQueries(std::string cacheFolder, int workers = 4, std::size_t maxQueries = 256);
    // Cancels every transfer and waits for the workers, which stop within a
    // moment since every transfer checks the cancel flag.
    ~KADWebQueries();
    KADWebQueries(const KADWebQueries&) = delete;
    KADWebQueries& operator=(const KADWebQueries&) = delete;

    // The daemon's one table, on the cache folder of its user data.
    static KADWebQueries& ForCacheFolder(const std::string& cacheFolder);

    // Registers a query for the connection and queues its fetch. A refused
    // address gives a query that is complete at once with its failure.
    KADWebHandle Start(const std::shared_ptr<KADConnection>& owner, const std::string& requestedUrl, std::int32_t mode,
                       const KADWebConfig& config);
    KADDaemonWebQueryStatus Status(const KADConnection* owner, KADWebHandle handle);
    // Cancels a running fetch, deletes the result file and forgets the query.
    void Close(const KADConnection* owner, KADWebHandle handle);
    // Closes every query whose connection has gone.
    void CloseOrphans();
    // Closes every query of a connection that has ended.
    void CloseQueriesOf(const KADConnection& owner);
    // The table when some request has made it, else null.
    static KADWebQueries* Existing();
    std::size_t Count() const;

private:
    struct Query;
    std::shared_ptr<Query> Find(const KADConnection* owner, KADWebHandle handle) const;
    void Work();
    void Finish(Query& query, const KADWebFetchResult& result);
    void Discard(const std::shared_ptr<Query>& query);
    void StartWorkers();

    std::string cacheFolder;
    int workerCount;
    std::size_t maxQueries;
    mutable std::mutex lock;
    std::condition_variable queued;
    std::map<std::int32_t, std::shared_ptr<Query>> queries;
    std::deque<std::shared_ptr<Query>> pending;
    std::vector<std::thread> workers;
    std::int32_t nextId = 1;
    std::uint32_t nonceState;
    bool stopping = false;
};
