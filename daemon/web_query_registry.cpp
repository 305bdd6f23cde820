// The daemon's web queries: each fetched on a worker, polled and closed by the connection that started it.
#include "daemon/web_query_registry.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <random>

#include "daemon/daemon_connection.h"
#include "daemon/web_query_url.h"
#include "platform/folders.h"
#include "zel/ascii.h"

struct KADWebQueries::Query {
    KADWebHandle handle;
    std::weak_ptr<KADConnection> owner;
    const KADConnection* ownerAddress = nullptr;
    std::string url;
    std::string file;
    std::int32_t mode = KADWebQueryModeDownload;
    KADWebConfig config;
    std::atomic<bool> cancel{false};
    // Guarded by the table's lock.
    KADDaemonWebQueryStatus status;
    bool closed = false;
};

namespace {

// "q<digits>.<extension>", the names this table gives its files.
bool IsResultFileName(const char* name)
{
    std::string text(name);
    std::size_t dot = text.find('.');
    if (text.size() < 3 || text[0] != 'q' || dot == std::string::npos || dot < 2)
        return false;
    for (std::size_t i = 1; i < dot; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
    }
    return true;
}

// The result file keeps the extension of the fetched name (".cdp" for an
// archive), since readers choose a file's format by its extension; anything
// else, or an extension that is not short and plain, gives ".dat".
std::string ResultExtension(const std::string& url)
{
    std::string path = url.substr(0, url.find_first_of("?#"));
    std::size_t slash = path.rfind('/');
    std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) || path.size() - dot > 9 ||
        path.size() - dot < 2)
        return ".dat";
    std::string extension = ".";
    for (std::size_t i = dot + 1; i < path.size(); ++i) {
        char c = Zel::AsciiToLower(path[i]);
        if (!Zel::AsciiIsLetterOrDigit(c))
            return ".dat";
        extension.push_back(c);
    }
    return extension;
}

void RemoveStaleResults(const std::string& folder)
{
    DIR* directory = opendir(folder.c_str());
    if (directory == nullptr)
        return;
    while (dirent* entry = readdir(directory)) {
        if (IsResultFileName(entry->d_name))
            unlink((folder + "/" + entry->d_name).c_str());
    }
    closedir(directory);
}

KADDaemonWebQueryStatus Failed(std::uint32_t code, const std::string& text, std::int32_t mode)
{
    KADDaemonWebQueryStatus status;
    status.complete = true;
    status.resultCode = code;
    // Only a page's failure is told as text; a download reports its code.
    if (mode == KADWebQueryModePage)
        status.text = text;
    return status;
}

}  // namespace

KADWebQueries::KADWebQueries(std::string folder, int workers, std::size_t maxQueries)
    : cacheFolder(std::move(folder)),
      workerCount(workers < 1 ? 1 : workers),
      maxQueries(maxQueries),
      nonceState(std::random_device{}())
{
    // A folder that cannot be made is told per query: its result file cannot be opened.
    Platform::MakeFolders(cacheFolder);
    RemoveStaleResults(cacheFolder);
}

KADWebQueries::~KADWebQueries()
{
    {
        std::lock_guard<std::mutex> hold(lock);
        stopping = true;
        for (auto& entry : queries)
            entry.second->cancel = true;
        pending.clear();
    }
    queued.notify_all();
    for (std::thread& worker : workers)
        worker.join();
    std::lock_guard<std::mutex> hold(lock);
    for (auto& entry : queries)
        unlink(entry.second->file.c_str());
}

namespace {
std::atomic<KADWebQueries*> made{nullptr};
}  // namespace

KADWebQueries* KADWebQueries::Existing()
{
    return made.load();
}

KADWebQueries& KADWebQueries::ForCacheFolder(const std::string& cacheFolder)
{
    static KADWebQueries table(cacheFolder);
    static bool listening = [] {
        KADConnection::AddEndListener([](const KADConnection& owner) { table.CloseQueriesOf(owner); });
        return true;
    }();
    (void)listening;
    made.store(&table);
    return table;
}

void KADWebQueries::StartWorkers()
{
    if (!workers.empty())
        return;
    KADInitialiseWebFetch();
    for (int i = 0; i < workerCount; ++i)
        workers.emplace_back([this] { Work(); });
}

KADWebHandle KADWebQueries::Start(const std::shared_ptr<KADConnection>& owner, const std::string& requestedUrl,
                                  std::int32_t mode, const KADWebConfig& config)
{
    CloseOrphans();
    auto query = std::make_shared<Query>();
    query->owner = owner;
    query->ownerAddress = owner.get();
    query->mode = mode;
    query->config = config;
    std::string error;
    bool fetchable = KADPrepareWebUrl(requestedUrl, config.rewrites, query->url, error);

    std::lock_guard<std::mutex> hold(lock);
    // A connection that ended while this request ran has had its queries
    // closed already; one registered now would never be.
    if (stopping || !owner->IsOpen())
        return KADWebHandle{};
    query->handle.first = nextId;
    nextId = nextId == 0x7fffffff ? 1 : nextId + 1;
    nonceState = nonceState * 1664525u + 1013904223u;
    query->handle.second = static_cast<std::int32_t>(nonceState & 0x7fffffff);
    query->file = cacheFolder + "/q" + std::to_string(query->handle.first) + ResultExtension(query->url);
    if (!fetchable) {
        query->status = Failed(KADWebResultTransferBase + 1, error, mode);
    } else if (queries.size() >= maxQueries) {
        query->status = Failed(KADWebResultBusy, "Too many web queries", mode);
    } else {
        StartWorkers();
        pending.push_back(query);
        queued.notify_one();
    }
    queries[query->handle.first] = query;
    // An open query keeps its connection from being closed as idle.
    owner->ItemOpened();
    return query->handle;
}

std::shared_ptr<KADWebQueries::Query> KADWebQueries::Find(const KADConnection* owner, KADWebHandle handle) const
{
    auto found = queries.find(handle.first);
    if (found == queries.end())
        return nullptr;
    const std::shared_ptr<Query>& query = found->second;
    if (query->handle.second != handle.second || query->ownerAddress != owner || query->owner.expired())
        return nullptr;
    return query;
}

KADDaemonWebQueryStatus KADWebQueries::Status(const KADConnection* owner, KADWebHandle handle)
{
    std::lock_guard<std::mutex> hold(lock);
    std::shared_ptr<Query> query = Find(owner, handle);
    if (!query)
        return Failed(KADWebResultUnknownQuery, "Unknown web query", KADWebQueryModePage);
    return query->status;
}

void KADWebQueries::Discard(const std::shared_ptr<Query>& query)
{
    query->cancel = true;
    query->closed = true;
    queries.erase(query->handle.first);
    if (std::shared_ptr<KADConnection> owner = query->owner.lock())
        owner->ItemClosed();
    // A query still on a worker removes its file when the worker ends.
    if (query->status.complete)
        unlink(query->file.c_str());
}

void KADWebQueries::Close(const KADConnection* owner, KADWebHandle handle)
{
    std::lock_guard<std::mutex> hold(lock);
    if (std::shared_ptr<Query> query = Find(owner, handle))
        Discard(query);
}

void KADWebQueries::CloseOrphans()
{
    std::lock_guard<std::mutex> hold(lock);
    std::vector<std::shared_ptr<Query>> orphans;
    for (auto& entry : queries) {
        std::shared_ptr<KADConnection> owner = entry.second->owner.lock();
        if (!owner || !owner->IsOpen())
            orphans.push_back(entry.second);
    }
    for (auto& query : orphans)
        Discard(query);
}

void KADWebQueries::CloseQueriesOf(const KADConnection& owner)
{
    std::lock_guard<std::mutex> hold(lock);
    std::vector<std::shared_ptr<Query>> ended;
    for (auto& entry : queries) {
        if (entry.second->ownerAddress == &owner || entry.second->owner.expired())
            ended.push_back(entry.second);
    }
    for (auto& query : ended)
        Discard(query);
}

std::size_t KADWebQueries::Count() const
{
    std::lock_guard<std::mutex> hold(lock);
    return queries.size();
}

void KADWebQueries::Finish(Query& query, const KADWebFetchResult& result)
{
    std::lock_guard<std::mutex> hold(lock);
    if (query.closed) {
        unlink(query.file.c_str());
        return;
    }
    if (!result.Succeeded()) {
        query.status = Failed(result.resultCode, result.errorText, query.mode);
        query.status.httpStatus = result.httpStatus;
        return;
    }
    query.status.complete = true;
    query.status.httpStatus = result.httpStatus;
    query.status.resultCode = KADWebResultOk;
    query.status.byteCount =
        result.byteCount > 0xffffffffu ? 0xffffffffu : static_cast<std::uint32_t>(result.byteCount);
    query.status.file = query.file;
}

void KADWebQueries::Work()
{
    for (;;) {
        std::shared_ptr<Query> query;
        {
            std::unique_lock<std::mutex> hold(lock);
            queued.wait(hold, [this] { return stopping || !pending.empty(); });
            if (stopping)
                return;
            query = pending.front();
            pending.pop_front();
        }
        KADWebFetchResult result;
        if (query->cancel) {
            result.resultCode = KADWebResultTransferBase + 42;
        } else {
            result = KADFetchUrl(query->url, query->file, query->config, query->cancel);
        }
        Finish(*query, result);
    }
}
