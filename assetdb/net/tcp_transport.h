// TCPTransport: a plain TCP byte stream to a named host.
#pragma once

#include "assetdb/net/net_transport.h"

class TCPTransport : public NetTransport {
public:
    // Resolves and connects at once; on any failure the state is 2 and no socket is held.
    TCPTransport(const char* hostName, int32_t port);
    ~TCPTransport() override;

    int32_t Read(void* buffer, int32_t size) override;
    int32_t Peek(void* buffer, int32_t size) override;
    int32_t Write(const void* data, int32_t size) override;
    void Close() override;
    NetTransport* Reopen(int32_t port) override;
    bool HasData() override;

    const char* GetHostName() const { return hostName; }
    int32_t GetPort() const { return port; }

private:
    char hostName[512] = {};
    int32_t port = 0;
};
