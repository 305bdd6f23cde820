// A local TLS echo server with a certificate authority made in-process.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "assetdb/net/net_test_support.h"

typedef struct ssl_ctx_st SSL_CTX;

class TestTLSServer {
public:
    // Makes a P-256 CA and a server certificate for "localhost", listens on
    // 127.0.0.1 with an ephemeral port and echoes each connection's bytes.
    TestTLSServer();
    ~TestTLSServer();

    int32_t GetPort() const { return port; }
    // The CA certificate as PEM, for the client's trust store.
    const std::string& GetAuthorityPEM() const { return authorityPEM; }

private:
    void Serve();

    SSL_CTX* context = nullptr;
    LoopbackListener listener;
    int32_t port = 0;
    std::string authorityPEM;
    std::atomic<bool> stopping{false};
    std::thread thread;
};
