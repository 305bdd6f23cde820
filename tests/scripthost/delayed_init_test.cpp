// Staged initialisation: stages run once and in order, queueing rules, and dequeuing during a walk.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "scripthost/delayed_init.h"

namespace {

// Records "<name>:<stage>" for every stage it runs.
class RecordingClient : public DelayedInitClient {
public:
    RecordingClient(std::string name, std::vector<std::string>& log) : name_(std::move(name)), log_(log) {}
    void Stage1() override
    {
        log_.push_back(name_ + ":1");
        DelayedInitClient::Stage1();
    }
    void Stage2() override
    {
        log_.push_back(name_ + ":2");
        DelayedInitClient::Stage2();
    }
    void Stage3() override
    {
        log_.push_back(name_ + ":3");
        DelayedInitClient::Stage3();
        if (onStage3)
            onStage3();
    }
    std::function<void()> onStage3;

private:
    std::string name_;
    std::vector<std::string>& log_;
};

TEST(DelayedInit, StagesRunInOrderOnceAndCompletionDequeues)
{
    std::vector<std::string> log;
    DelayedInitManager manager;
    RecordingClient client("a", log);
    EXPECT_EQ(client.GetInitFlags(), 0);
    manager.Queue(&client);
    manager.Queue(&client);  // already queued
    EXPECT_TRUE(client.IsQueued());
    ASSERT_EQ(manager.Pending().size(), 1u);

    client.Stage1();
    log.clear();
    client.CompleteNow(manager);
    EXPECT_EQ(log, (std::vector<std::string>{"a:2", "a:3"}));
    EXPECT_EQ(client.GetInitFlags(), DelayedInitClient::AllStagesDone);
    EXPECT_TRUE(manager.Pending().empty());

    // A finished client is not queued again, and its stages do not run again.
    manager.Queue(&client);
    EXPECT_FALSE(client.IsQueued());
    EXPECT_TRUE(manager.Pending().empty());
    client.RunPendingStages();
    EXPECT_EQ(log.size(), 2u);
}

TEST(DelayedInit, DequeuingDuringAWalkLeavesANullTheWalkSkips)
{
    std::vector<std::string> log;
    DelayedInitManager manager;
    RecordingClient a("a", log);
    RecordingClient b("b", log);
    RecordingClient c("c", log);
    for (RecordingClient* client : {&a, &b, &c})
        manager.Queue(client);
    // Finishing a dequeues c, which is still ahead of the walk.
    a.onStage3 = [&] { manager.Dequeue(&c); };
    manager.SetWalking(true);
    manager.Dequeue(&b);
    EXPECT_EQ(manager.Pending(), (std::vector<DelayedInitClient*>{&a, nullptr, &c}));
    manager.SetWalking(false);

    manager.CompleteAll();
    EXPECT_EQ(log, (std::vector<std::string>{"a:1", "a:2", "a:3"}));
    EXPECT_TRUE(manager.Pending().empty());
    EXPECT_FALSE(c.IsQueued());
    EXPECT_FALSE(b.IsQueued());

    // Outside a walk the entry is erased; the newest entry is found first.
    manager.Queue(&b);
    manager.Queue(&c);
    manager.Dequeue(&c);
    EXPECT_EQ(manager.Pending(), (std::vector<DelayedInitClient*>{&b}));
    manager.Dequeue(&c);  // not queued: nothing
    EXPECT_EQ(manager.Pending().size(), 1u);
}

}  // namespace
