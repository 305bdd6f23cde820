// NetTransport::Startup / Shutdown: the lock table, the resolver reference, and the TLS layer's release.
#include "assetdb/net/host_resolver.h"
#include "assetdb/net/net_transport.h"
#include "assetdb/net/openssl_lock_table.h"
#include "assetdb/net/tls_client_context.h"

#include <atomic>
#include <csignal>
#include <mutex>

namespace {

std::mutex startupLock;
std::atomic<bool> started{false};
// Set by the TLS layer once it has started: nothing here names OpenSSL, so a
// program that never makes a TLS connection neither loads nor starts it.
std::atomic<void (*)()> releaseTLS{nullptr};

}  // namespace

void NetTransport::Startup()
{
    std::lock_guard<std::mutex> guard(startupLock);
    if (started.load())
        return;
    // Writes to a closed peer must fail with EPIPE, not end the process; the TLS
    // layer writes with write(), which MSG_NOSIGNAL cannot cover.
    std::signal(SIGPIPE, SIG_IGN);
    CreateOpenSSLLockTable();
    AddResolverRef();
    started.store(true);
}

void NetTransport::Shutdown()
{
    std::lock_guard<std::mutex> guard(startupLock);
    if (!started.load())
        return;
    started.store(false);
    ReleaseResolverRef();
    if (void (*release)() = releaseTLS.exchange(nullptr))
        release();
    DestroyOpenSSLLockTable();
}

bool NetTransport::IsStarted()
{
    return started.load();
}

void SetTLSRelease(void (*release)())
{
    releaseTLS.store(release);
}
