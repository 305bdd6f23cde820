// SSLTransport: OpenSSL read, peek, write and shutdown on a connected socket.
#include "assetdb/net/ssl_transport.h"

#include "assetdb/net/stream_socket.h"
#include "assetdb/net/tls_client_context.h"

#include <arpa/inet.h>
#include <openssl/ssl.h>

namespace {

bool IsAddressLiteral(const char* hostName)
{
    in_addr address{};
    return inet_pton(AF_INET, hostName, &address) == 1;
}

// OpenSSL's results mapped to the transport's: bytes, 0 at the peer's
// orderly end, negative on error.
int32_t TransferResult(SSL* connection, int result)
{
    if (result > 0)
        return result;
    if (SSL_get_error(connection, result) == SSL_ERROR_ZERO_RETURN)
        return 0;
    return -1;
}

}  // namespace

SSLTransport::SSLTransport(const char* hostName, int32_t port)
{
    SSL_CTX* context = GetVerifyingTLSContext();
    if (!context || !hostName) {
        state.store(NetTransportConnectionFailed);
        return;
    }
    int fd = ConnectStreamSocket(hostName, port);
    if (fd < 0) {
        state.store(NetTransportConnectionFailed);
        return;
    }
    socketHandle.store(fd);
    connection = SSL_new(context);
    if (!connection || SSL_set_fd(connection, fd) != 1) {
        FailConnection();
        return;
    }
    if (IsAddressLiteral(hostName)) {
        X509_VERIFY_PARAM* parameters = SSL_get0_param(connection);
        X509_VERIFY_PARAM_set1_ip_asc(parameters, hostName);
    } else {
        SSL_set_tlsext_host_name(connection, hostName);
        SSL_set1_host(connection, hostName);
    }
    if (SSL_connect(connection) != 1)
        FailConnection();
}

void SSLTransport::FailConnection()
{
    if (connection) {
        SSL_free(connection);
        connection = nullptr;
    }
    CloseSocket();
    state.store(NetTransportConnectionFailed);
}

void SSLTransport::ShutdownTLS()
{
    // close_notify must never reach a descriptor that was closed and reused.
    if (connection && socketHandle.load() >= 0)
        SSL_shutdown(connection);
}

SSLTransport::~SSLTransport()
{
    ShutdownTLS();
    if (connection)
        SSL_free(connection);
    CloseSocket();
}

int32_t SSLTransport::Read(void* buffer, int32_t size)
{
    if (!connection)
        return -1;
    return TransferResult(connection, SSL_read(connection, buffer, size));
}

int32_t SSLTransport::Peek(void* buffer, int32_t size)
{
    if (!connection)
        return -1;
    return TransferResult(connection, SSL_peek(connection, buffer, size));
}

int32_t SSLTransport::Write(const void* data, int32_t size)
{
    if (!connection)
        return -1;
    return TransferResult(connection, SSL_write(connection, data, size));
}

void SSLTransport::Close()
{
    state.store(NetTransportClosed);
    ShutdownTLS();
    CloseSocket();
}

NetTransport* SSLTransport::Reopen(int32_t)
{
    return nullptr;
}

bool SSLTransport::HasData()
{
    return true;
}
