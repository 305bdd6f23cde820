// Message pipes: broadcast, delegation, closing, and a log's notifications.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "results_log_test_support.h"

namespace {

class Recorder : public NuMessageRecipient {
public:
    int ReceiveMessage(const NuMessageData& message) override
    {
        received.push_back(std::string(message.Name().c_str()) + ":" + std::to_string(message.Argument()));
        if (closeOnReceive != nullptr) {
            NuMessagePipe* pipe = closeOnReceive;
            closeOnReceive = nullptr;
            pipe->Close();
        }
        return 7;
    }
    std::vector<std::string> received;
    NuMessagePipe* closeOnReceive = nullptr;
};

class Delegating : public NuMessageRecipient {
public:
    explicit Delegating(NuMessageRecipient* target) : target_(target) {}
    NuMessageRecipient* GetDelegate() override { return target_; }

private:
    NuMessageRecipient* target_;
};

}  // namespace

TEST(NuMessageRecipient, ReceiveForwardsToTheDelegateOrAnswersOne)
{
    Recorder target;
    Delegating delegating(&target);
    NuMessageRecipient plain;
    NuMessageData message(Zel::PString("x"), 3);
    EXPECT_EQ(delegating.ReceiveMessage(message), 7);
    EXPECT_EQ(plain.ReceiveMessage(message), 1);
    EXPECT_EQ(target.received, std::vector<std::string>{"x:3"});
}

TEST(NuMessagePipe, CloseTellsThePeerOnceWithTheTag)
{
    Recorder peer;
    NuMessageRecipient source;
    NuMessagePipe pipe(&peer, 42);
    source.AttachPipe(pipe);
    pipe.Close();
    pipe.Close();
    EXPECT_FALSE(pipe.IsAttached());
    EXPECT_EQ(peer.received, std::vector<std::string>{"pipe-closed:42"});
}

TEST(NuMessagePipe, APeerClosingItsPipeDuringABroadcastDoesNotBreakTheWalk)
{
    Recorder first;
    Recorder second;
    NuMessageRecipient source;
    NuMessagePipe pipeOne(&first, 1);
    NuMessagePipe pipeTwo(&second, 2);
    source.AttachPipe(pipeOne);
    source.AttachPipe(pipeTwo);
    first.closeOnReceive = &pipeOne;
    source.Broadcast(NuMessageData(Zel::PString("hello"), 0));
    EXPECT_EQ(first.received, (std::vector<std::string>{"hello:0", "pipe-closed:1"}));
    EXPECT_EQ(second.received, std::vector<std::string>{"hello:0"});
}

TEST(ResultsLogPipes, ListenersHearUpdatesThenDestructionThenTheirPipeClosing)
{
    Recorder listener;
    NuMessagePipe pipe(&listener, 5);
    intptr_t address = 0;
    {
        ResultsLog log;
        address = reinterpret_cast<intptr_t>(&log);
        log.AttachPipe(pipe);
        log.AddMessage(ResultsLog::MessageKind::Info, "a");
    }
    std::string updated = "list-updated:" + std::to_string(address);
    std::string destroyed = "list-destroyed:" + std::to_string(address);
    EXPECT_EQ(listener.received, (std::vector<std::string>{updated, destroyed, "pipe-closed:5"}));
    EXPECT_FALSE(pipe.IsAttached());
}
