// The host-name resolver: a thread that lives only while lookups are queued.
#include "assetdb/net/host_resolver.h"

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <netdb.h>
#include <string>
#include <thread>

#include "zel/ascii.h"

namespace {

struct ResolveRequest {
    std::string hostName;
    uint16_t port = 0;
    sockaddr_in* record = nullptr;
    bool signalled = false;
    bool result = false;
};

struct ResolverState {
    std::mutex lock;
    std::condition_variable answered;
    int32_t referenceCount = 0;
    std::deque<ResolveRequest*> queue;
    std::thread* thread = nullptr;
    bool finished = true;
};

ResolverState& State()
{
    static ResolverState state;
    return state;
}

std::atomic<ResolveHostFunction> lookupFunction{nullptr};
std::atomic<int32_t> resolveTimeout{5000};

void FillRecord(sockaddr_in& record, uint16_t port, in_addr address)
{
    std::memset(&record, 0, sizeof record);
    record.sin_family = AF_INET;
    record.sin_port = htons(port);
    record.sin_addr = address;
}

// A dotted IPv4 address or "localhost" is known without any lookup.
bool KnownAddress(const char* hostName, in_addr& address)
{
    if (Zel::AsciiEqualIgnoreCase(hostName, "localhost")) {
        address.s_addr = htonl(INADDR_LOOPBACK);
        return true;
    }
    return inet_pton(AF_INET, hostName, &address) == 1;
}

void RemoveFromQueue(std::deque<ResolveRequest*>& queue, ResolveRequest* request)
{
    for (auto it = queue.begin(); it != queue.end(); ++it) {
        if (*it == request) {
            queue.erase(it);
            return;
        }
    }
}

void ResolverThread()
{
    ResolverState& state = State();
    for (;;) {
        std::string hostName;
        uint16_t port = 0;
        {
            std::lock_guard<std::mutex> guard(state.lock);
            if (state.referenceCount <= 0 || state.queue.empty()) {
                state.finished = true;
                return;
            }
            hostName = state.queue.front()->hostName;
            port = state.queue.front()->port;
        }
        sockaddr_in answer{};
        ResolveHostFunction hook = lookupFunction.load();
        bool found = hook ? hook(hostName.c_str(), port, answer) : ResolveHost(hostName.c_str(), port, answer);

        std::lock_guard<std::mutex> guard(state.lock);
        // A caller that timed out has taken its request out of the queue; the
        // answer then goes to a later request for the same host and port, or nowhere.
        if (state.queue.empty())
            continue;
        ResolveRequest* head = state.queue.front();
        if (head->hostName != hostName || head->port != port)
            continue;
        if (found)
            *head->record = answer;
        head->result = found;
        head->signalled = true;
        state.queue.pop_front();
        state.answered.notify_all();
    }
}

}  // namespace

bool ResolveHost(const char* hostName, uint16_t port, sockaddr_in& record)
{
    if (!hostName)
        return false;
    in_addr known{};
    if (KnownAddress(hostName, known)) {
        FillRecord(record, port, known);
        return true;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(hostName, nullptr, &hints, &found) != 0 || !found)
        return false;
    bool ok = false;
    for (addrinfo* entry = found; entry; entry = entry->ai_next) {
        if (entry->ai_family != AF_INET || entry->ai_addrlen < sizeof(sockaddr_in))
            continue;
        FillRecord(record, port, reinterpret_cast<sockaddr_in*>(entry->ai_addr)->sin_addr);
        ok = true;
        break;
    }
    freeaddrinfo(found);
    return ok;
}

bool ResolveHostAsync(const char* hostName, uint16_t port, sockaddr_in& record)
{
    ResolverState& state = State();
    ResolveRequest request;
    request.hostName = hostName ? hostName : "";
    request.port = port;
    request.record = &record;

    std::unique_lock<std::mutex> guard(state.lock);
    // Nothing to wait for: the answer is the same as the thread's, and the
    // daemon link (always 127.0.0.1) starts no thread at every command's
    // start. Without a reference it fails like any other lookup.
    in_addr known{};
    if (state.referenceCount > 0 && hostName && KnownAddress(hostName, known)) {
        FillRecord(record, port, known);
        return true;
    }
    state.queue.push_back(&request);
    if (state.finished && state.thread) {
        // The thread has set its finished flag and only returns now.
        state.thread->join();
        delete state.thread;
        state.thread = nullptr;
    }
    if (state.referenceCount > 0 && !state.thread) {
        state.finished = false;
        state.thread = new std::thread(ResolverThread);
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(resolveTimeout.load());
    state.answered.wait_until(guard, deadline, [&] { return request.signalled; });
    RemoveFromQueue(state.queue, &request);
    return request.signalled && request.result;
}

void AddResolverRef()
{
    std::lock_guard<std::mutex> guard(State().lock);
    ++State().referenceCount;
}

void ReleaseResolverRef()
{
    ResolverState& state = State();
    std::thread* ending = nullptr;
    {
        std::lock_guard<std::mutex> guard(state.lock);
        if (state.referenceCount <= 0)
            return;
        --state.referenceCount;
        if (state.referenceCount == 0) {
            ending = state.thread;
            state.thread = nullptr;
        }
    }
    // Joined outside the lock: the thread takes it to notice the count fell to 0.
    if (ending) {
        ending->join();
        delete ending;
    }
}

void SetResolveHostFunctionForTesting(ResolveHostFunction function)
{
    lookupFunction.store(function);
}

void SetResolveTimeoutForTesting(int32_t milliseconds)
{
    resolveTimeout.store(milliseconds);
}

bool IsResolverThreadRunningForTesting()
{
    std::lock_guard<std::mutex> guard(State().lock);
    return State().thread != nullptr && !State().finished;
}
