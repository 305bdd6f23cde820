// Host resolution: the localhost shortcut, the bounded wait and late answers.
#include "assetdb/net/host_resolver.h"
#include "assetdb/net/net_transport.h"

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstring>
#include <gtest/gtest.h>
#include <thread>

namespace {

std::atomic<int> slowLookups{0};
std::atomic<bool> releaseSlowLookup{false};

// Answers 10.1.2.3 for every name; "slow" holds the first lookup until released.
bool ScriptedLookup(const char* hostName, uint16_t port, sockaddr_in& record)
{
    if (std::strcmp(hostName, "slow") == 0 && slowLookups.fetch_add(1) == 0) {
        while (!releaseSlowLookup)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::memset(&record, 0, sizeof record);
    record.sin_family = AF_INET;
    record.sin_port = htons(port);
    inet_pton(AF_INET, "10.1.2.3", &record.sin_addr);
    return std::strcmp(hostName, "nowhere") != 0;
}

class HostResolverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        NetTransport::Startup();
        slowLookups = 0;
        releaseSlowLookup = false;
    }
    void TearDown() override
    {
        SetResolveHostFunctionForTesting(nullptr);
        SetResolveTimeoutForTesting(5000);
    }
};

std::string AddressText(const sockaddr_in& record)
{
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &record.sin_addr, text, sizeof text);
    return text;
}

// A thread from an earlier lookup ends once it finds its queue empty.
void WaitUntilNoResolverThread()
{
    for (int i = 0; i < 200 && IsResolverThreadRunningForTesting(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

}  // namespace

TEST_F(HostResolverTest, LocalhostInAnyCaseIsLoopbackWithoutLookup)
{
    SetResolveHostFunctionForTesting(ScriptedLookup);
    for (const char* name : {"localhost", "LOCALHOST", "LocalHost"}) {
        sockaddr_in record{};
        ASSERT_TRUE(ResolveHost(name, 4321, record)) << name;
        EXPECT_EQ(AddressText(record), "127.0.0.1");
        EXPECT_EQ(ntohs(record.sin_port), 4321);
        EXPECT_EQ(record.sin_family, AF_INET);
    }
}

TEST_F(HostResolverTest, AsyncLookupFillsTheRecordAndTheThreadEnds)
{
    SetResolveHostFunctionForTesting(ScriptedLookup);
    sockaddr_in record{};
    ASSERT_TRUE(ResolveHostAsync("somewhere", 80, record));
    EXPECT_EQ(AddressText(record), "10.1.2.3");
    EXPECT_EQ(ntohs(record.sin_port), 80);
    // The thread ends when it finds its queue empty; the next lookup starts another.
    WaitUntilNoResolverThread();
    EXPECT_FALSE(IsResolverThreadRunningForTesting());
    ASSERT_TRUE(ResolveHostAsync("elsewhere", 81, record));
    EXPECT_EQ(ntohs(record.sin_port), 81);
}

TEST_F(HostResolverTest, AddressesKnownWithoutALookupAreAnsweredWithoutTheThread)
{
    // The scripted lookup would answer 10.1.2.3: these never reach it.
    SetResolveHostFunctionForTesting(ScriptedLookup);
    WaitUntilNoResolverThread();
    const struct {
        const char* name;
        const char* address;
    } cases[] = {{"127.0.0.1", "127.0.0.1"}, {"192.0.2.17", "192.0.2.17"}, {"LocalHost", "127.0.0.1"}};
    for (const auto& known : cases) {
        sockaddr_in record{};
        ASSERT_TRUE(ResolveHostAsync(known.name, 4321, record)) << known.name;
        EXPECT_EQ(AddressText(record), known.address);
        EXPECT_EQ(ntohs(record.sin_port), 4321);
        EXPECT_EQ(record.sin_family, AF_INET);
        EXPECT_FALSE(IsResolverThreadRunningForTesting()) << known.name;
    }
}

TEST_F(HostResolverTest, UnresolvableNameFails)
{
    SetResolveHostFunctionForTesting(ScriptedLookup);
    sockaddr_in record{};
    record.sin_port = 7;
    EXPECT_FALSE(ResolveHostAsync("nowhere", 80, record));
    EXPECT_EQ(record.sin_port, 7);
}

TEST_F(HostResolverTest, TimedOutLookupIsNotWrittenAndTheNextSameRequestGetsTheAnswer)
{
    SetResolveHostFunctionForTesting(ScriptedLookup);
    SetResolveTimeoutForTesting(100);
    sockaddr_in first{};
    first.sin_port = 99;
    EXPECT_FALSE(ResolveHostAsync("slow", 80, first));
    EXPECT_EQ(first.sin_port, 99);

    SetResolveTimeoutForTesting(5000);
    sockaddr_in second{};
    std::thread releaser([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        releaseSlowLookup = true;
    });
    EXPECT_TRUE(ResolveHostAsync("slow", 80, second));
    releaser.join();
    EXPECT_EQ(AddressText(second), "10.1.2.3");
    EXPECT_EQ(first.sin_port, 99);
}

TEST_F(HostResolverTest, WithoutAReferenceNoThreadStartsAndTheLookupFails)
{
    NetTransport::Shutdown();
    SetResolveTimeoutForTesting(50);
    sockaddr_in record{};
    EXPECT_FALSE(ResolveHostAsync("localhost", 80, record));
    EXPECT_FALSE(IsResolverThreadRunningForTesting());
    NetTransport::Startup();
    SetResolveTimeoutForTesting(5000);
    EXPECT_TRUE(ResolveHostAsync("localhost", 80, record));
}
