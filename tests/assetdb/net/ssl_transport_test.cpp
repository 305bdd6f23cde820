// SSLTransport against a local TLS echo server with a test-made certificate.
#include "assetdb/net/ssl_transport.h"
#include "assetdb/net/test_tls_server.h"
#include "assetdb/net/tls_client_context.h"

#include "assetdb/net/host_resolver.h"

#include <arpa/inet.h>
#include <cstring>
#include <gtest/gtest.h>

namespace {

// Every name is 127.0.0.1, so a name the certificate does not hold reaches the server.
bool LoopbackLookup(const char*, uint16_t port, sockaddr_in& record)
{
    std::memset(&record, 0, sizeof record);
    record.sin_family = AF_INET;
    record.sin_port = htons(port);
    record.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return true;
}

}  // namespace

class SSLTransportTest : public ::testing::Test {
protected:
    void SetUp() override { NetTransport::Startup(); }
    TestTLSServer server;
};

TEST_F(SSLTransportTest, UntrustedServerFailsTheConnection)
{
    // The trust store only grows, so this uses a server whose CA nobody trusts.
    TestTLSServer stranger;
    SSLTransport transport("localhost", stranger.GetPort());
    EXPECT_EQ(transport.GetState(), NetTransportConnectionFailed);
    EXPECT_EQ(transport.GetSocket(), -1);
    char byte;
    EXPECT_EQ(transport.Read(&byte, 1), -1);
    EXPECT_EQ(transport.Write("x", 1), -1);
}

TEST_F(SSLTransportTest, EchoesThroughReadPeekAndWrite)
{
    ASSERT_TRUE(TrustCertificateForTesting(server.GetAuthorityPEM()));
    SSLTransport transport("localhost", server.GetPort());
    ASSERT_EQ(transport.GetState(), NetTransportUsable);
    ASSERT_EQ(transport.Write("hello", 5), 5);
    char buffer[8] = {};
    int32_t got = transport.Peek(buffer, 5);
    ASSERT_GT(got, 0);
    EXPECT_TRUE(transport.HasData());
    int32_t total = 0;
    while (total < 5) {
        int32_t n = transport.Read(buffer + total, 5 - total);
        ASSERT_GT(n, 0);
        total += n;
    }
    EXPECT_EQ(std::string(buffer, 5), "hello");
    transport.Close();
    EXPECT_EQ(transport.GetState(), NetTransportClosed);
    EXPECT_EQ(transport.GetSocket(), -1);
}

TEST_F(SSLTransportTest, HostNameMismatchFails)
{
    ASSERT_TRUE(TrustCertificateForTesting(server.GetAuthorityPEM()));
    // The certificate names localhost and 127.0.0.1 only.
    SetResolveHostFunctionForTesting(LoopbackLookup);
    SSLTransport transport("elsewhere.invalid", server.GetPort());
    SetResolveHostFunctionForTesting(nullptr);
    EXPECT_EQ(transport.GetState(), NetTransportConnectionFailed);
    EXPECT_EQ(transport.GetSocket(), -1);
}

TEST_F(SSLTransportTest, ReopenGivesNone)
{
    ASSERT_TRUE(TrustCertificateForTesting(server.GetAuthorityPEM()));
    SSLTransport transport("localhost", server.GetPort());
    EXPECT_EQ(transport.Reopen(server.GetPort()), nullptr);
}
