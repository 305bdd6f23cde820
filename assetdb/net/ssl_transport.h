// SSLTransport: a TLS byte stream over the process's client context.
#pragma once

#include "assetdb/net/net_transport.h"

typedef struct ssl_st SSL;

class SSLTransport : public NetTransport {
public:
    // Resolves, connects and completes the TLS handshake with peer and host-name
    // verification; on any failure the state is 2 and no socket is held.
    SSLTransport(const char* hostName, int32_t port);
    ~SSLTransport() override;

    int32_t Read(void* buffer, int32_t size) override;
    int32_t Peek(void* buffer, int32_t size) override;
    int32_t Write(const void* data, int32_t size) override;
    void Close() override;
    NetTransport* Reopen(int32_t port) override;
    bool HasData() override;

private:
    void FailConnection();
    // Sends close_notify while the descriptor is still ours.
    void ShutdownTLS();

    SSL* connection = nullptr;
};
