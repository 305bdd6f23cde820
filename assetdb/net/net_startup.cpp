// NetTransport::Startup / Shutdown: OpenSSL, the TLS client context, the resolver reference.
#include "assetdb/net/host_resolver.h"
#include "assetdb/net/net_transport.h"
#include "assetdb/net/openssl_lock_table.h"
#include "assetdb/net/tls_client_context.h"

#include <atomic>
#include <csignal>
#include <mutex>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>

namespace {

std::mutex startupLock;
std::atomic<bool> started{false};
SSL_CTX* clientContext = nullptr;
bool trustStoreLoaded = false;

SSL_CTX* CreateClientContext()
{
    SSL_CTX* context = SSL_CTX_new(SSLv23_client_method());
    if (!context)
        return nullptr;
    // Peers are verified: nothing in the program relies on an unverified link.
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
    return context;
}

}  // namespace

void NetTransport::Startup()
{
    std::lock_guard<std::mutex> guard(startupLock);
    if (started.load())
        return;
    started.store(true);
    // Writes to a closed peer must fail with EPIPE, not end the process; the TLS
    // layer writes with write(), which MSG_NOSIGNAL cannot cover.
    std::signal(SIGPIPE, SIG_IGN);
    OPENSSL_init_ssl(OPENSSL_INIT_LOAD_SSL_STRINGS | OPENSSL_INIT_LOAD_CRYPTO_STRINGS, nullptr);
    CreateOpenSSLLockTable();
    clientContext = CreateClientContext();
    AddResolverRef();
}

void NetTransport::Shutdown()
{
    std::lock_guard<std::mutex> guard(startupLock);
    if (!started.load())
        return;
    started.store(false);
    ReleaseResolverRef();
    if (clientContext) {
        SSL_CTX_free(clientContext);
        clientContext = nullptr;
    }
    trustStoreLoaded = false;
    DestroyOpenSSLLockTable();
    // OPENSSL_cleanup is never called: the library cannot start again in the
    // same process afterwards.
}

bool NetTransport::IsStarted()
{
    return started.load();
}

SSL_CTX* GetClientTLSContext()
{
    return clientContext;
}

SSL_CTX* GetVerifyingTLSContext()
{
    std::lock_guard<std::mutex> guard(startupLock);
    if (!clientContext)
        return nullptr;
    // The system's certificate bundle takes hundreds of milliseconds to
    // parse; every command would pay for it at start-up although only a TLS
    // connection needs it, so it is loaded by the first one.
    if (!trustStoreLoaded) {
        SSL_CTX_set_default_verify_paths(clientContext);
        trustStoreLoaded = true;
    }
    return clientContext;
}

bool TrustCertificateForTesting(const std::string& pemText)
{
    std::lock_guard<std::mutex> guard(startupLock);
    if (!clientContext)
        return false;
    BIO* bio = BIO_new_mem_buf(pemText.data(), static_cast<int>(pemText.size()));
    if (!bio)
        return false;
    X509* certificate = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr);
    BIO_free(bio);
    if (!certificate)
        return false;
    bool ok = X509_STORE_add_cert(SSL_CTX_get_cert_store(clientContext), certificate) == 1;
    X509_free(certificate);
    return ok;
}
