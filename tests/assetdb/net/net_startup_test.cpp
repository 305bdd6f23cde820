// Networking start-up: idempotent, restartable, and the lock-table callback rules.
#include "assetdb/net/net_transport.h"
#include "assetdb/net/openssl_lock_table.h"
#include "assetdb/net/tls_client_context.h"

#include <gtest/gtest.h>
#include <openssl/err.h>
#include <openssl/ssl.h>

TEST(NetStartupTest, StartupTwiceInitialisesOnceAndShutdownClears)
{
    NetTransport::Startup();
    SSL_CTX* context = GetClientTLSContext();
    ASSERT_NE(context, nullptr);
    NetTransport::Startup();
    EXPECT_EQ(GetClientTLSContext(), context);
    NetTransport::Shutdown();
    EXPECT_FALSE(NetTransport::IsStarted());
    EXPECT_EQ(GetClientTLSContext(), nullptr);
    NetTransport::Shutdown();
    NetTransport::Startup();
    EXPECT_NE(GetClientTLSContext(), nullptr);
}

TEST(NetStartupTest, LockingCallbackLocksUnlocksAndIgnoresBadIndexes)
{
    NetTransport::Startup();
    ASSERT_GE(GetOpenSSLLockCountForTesting(), 1);
    OpenSSLLockingCallback(1, 0, __FILE__, __LINE__);
    EXPECT_TRUE(IsOpenSSLLockHeldForTesting(0));
    OpenSSLLockingCallback(2, 0, __FILE__, __LINE__);
    EXPECT_FALSE(IsOpenSSLLockHeldForTesting(0));
    // An unlock of a lock not held, and indexes outside the table, do nothing.
    OpenSSLLockingCallback(2, 0, __FILE__, __LINE__);
    OpenSSLLockingCallback(1, -1, __FILE__, __LINE__);
    OpenSSLLockingCallback(1, GetOpenSSLLockCountForTesting(), __FILE__, __LINE__);
    EXPECT_FALSE(IsOpenSSLLockHeldForTesting(0));
    EXPECT_NE(OpenSSLThreadIdCallback(), 0UL);
}

// The TLS layer starts with its first use and loads no error strings: the
// program prints none, and loading them is most of OpenSSL's start-up.
TEST(NetStartupTest, TLSStartsWithoutErrorStrings)
{
    NetTransport::Startup();
    ASSERT_NE(GetClientTLSContext(), nullptr);
    EXPECT_EQ(ERR_reason_error_string(ERR_PACK(ERR_LIB_SSL, 0, SSL_R_NO_PROTOCOLS_AVAILABLE)), nullptr);
    EXPECT_EQ(ERR_lib_error_string(ERR_PACK(ERR_LIB_SSL, 0, SSL_R_NO_PROTOCOLS_AVAILABLE)), nullptr);
}
