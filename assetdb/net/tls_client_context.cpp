// The client TLS context: OpenSSL started and the context made by the first TLS use, freed at networking shutdown.
#include "assetdb/net/tls_client_context.h"

#include "assetdb/net/net_transport.h"

#include <mutex>
#include <openssl/pem.h>
#include <openssl/ssl.h>

namespace {

std::mutex contextLock;
SSL_CTX* clientContext = nullptr;
bool trustStoreLoaded = false;

void ReleaseContext()
{
    std::lock_guard<std::mutex> guard(contextLock);
    if (clientContext) {
        SSL_CTX_free(clientContext);
        clientContext = nullptr;
    }
    trustStoreLoaded = false;
    // OPENSSL_cleanup is never called: the library cannot start again in the
    // same process afterwards.
}

// Under contextLock. Null when networking is not started.
SSL_CTX* ContextLocked()
{
    if (!NetTransport::IsStarted())
        return nullptr;
    if (clientContext)
        return clientContext;
    // Error strings cost start-up time and nothing ever prints them.
    OPENSSL_init_ssl(OPENSSL_INIT_NO_LOAD_SSL_STRINGS | OPENSSL_INIT_NO_LOAD_CRYPTO_STRINGS, nullptr);
    clientContext = SSL_CTX_new(TLS_client_method());
    if (!clientContext)
        return nullptr;
    // Peers are verified: nothing in the program relies on an unverified link.
    SSL_CTX_set_verify(clientContext, SSL_VERIFY_PEER, nullptr);
    SetTLSRelease(ReleaseContext);
    return clientContext;
}

}  // namespace

SSL_CTX* GetClientTLSContext()
{
    std::lock_guard<std::mutex> guard(contextLock);
    return ContextLocked();
}

SSL_CTX* GetVerifyingTLSContext()
{
    std::lock_guard<std::mutex> guard(contextLock);
    SSL_CTX* context = ContextLocked();
    if (!context)
        return nullptr;
    // The system's certificate bundle takes hundreds of milliseconds to
    // parse; it is loaded by the first connection, not by every context user.
    if (!trustStoreLoaded) {
        SSL_CTX_set_default_verify_paths(context);
        trustStoreLoaded = true;
    }
    return context;
}

bool TrustCertificateForTesting(const std::string& pemText)
{
    std::lock_guard<std::mutex> guard(contextLock);
    SSL_CTX* context = ContextLocked();
    if (!context)
        return false;
    BIO* bio = BIO_new_mem_buf(pemText.data(), static_cast<int>(pemText.size()));
    if (!bio)
        return false;
    X509* certificate = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr);
    BIO_free(bio);
    if (!certificate)
        return false;
    bool ok = X509_STORE_add_cert(SSL_CTX_get_cert_store(context), certificate) == 1;
    X509_free(certificate);
    return ok;
}
