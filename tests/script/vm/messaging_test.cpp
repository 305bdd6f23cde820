// Threads, messages and the router run by scripts: waits that wake, sleeps
// that count down, queues that overflow, handlers and sniffers, the thread
// limit, and the router's step.
#include <gtest/gtest.h>

#include <algorithm>

#include "script/vm/gs_node.h"
#include "script_world.h"

namespace {

using GSRuntime::GSGameObject;
using GSRuntime::GSMessage;
using GSRuntime::GSNode;
using GSRuntime::Slot;
using vm_test::LogCapture;

const char* const kNodes = R"(include "gs.gs"
class Node isclass GameObject {
  public int got = 0;
  public int handled = 0;
  public int naps = 0;
  public string last = "";
  thread void Listen(void) {
    Message m;
    wait () {
      on "Ping", "", m: { got++; last = m.minor; continue; }
      on "Stop", "": break;
    }
  }
  thread void Nap(float seconds) { Sleep(seconds); naps++; }
  thread void Talk(Node other, string minor) { SendMessage(other, "Ping", minor); }
  public void OnPing(Message m) { handled++; last = m.minor; }
  public void StartListening(void) { Listen(); }
  public void StartMany(int n) { int i; for (i = 0; i < n; i++) Listen(); }
  public void StartNap(float seconds) { Nap(seconds); }
  public void StartTalk(Node other, string minor) { Talk(other, minor); }
  public void Post(Node other, string minor, float seconds, int n) {
    int i;
    for (i = 0; i < n; i++) PostMessage(other, "Ping", minor, seconds);
  }
  public void PostStop(Node other) { PostMessage(other, "Stop", "", 0.0); }
  public void Handle(Node target, string method) { AddHandler(target, "Ping", "", method); }
  public void Watch(Node target, bool enable) { Sniff(target, "Ping", "", enable); }
  public void Clear(void) { ClearMessages("Ping", ""); }
  public void PostFrom(int src, int dst) { Router.PostMessage(src, dst, "Ping", "r", 0.0); }
  public int Got(void) { return got; }
  public int Handled(void) { return handled; }
  public int Naps(void) { return naps; }
  public string Last(void) { return last; }
  public void OnSpin(Message m) { while (true) { handled++; } }
  public void Nothing(void) { }
  thread void TalkThenCall(Node other) { SendMessage(other, "Ping", "x"); Nothing(); }
  public void StartTalkThenCall(Node other) { TalkThenCall(other); }
  thread void Keep(Node other) { wait () { on "Never", "": break; } }
  public void Hold(Node other) { Keep(other); }
};
)";

// The line of the source that holds `text`.
int LineOf(const char* text)
{
    const std::string source = kNodes;
    const size_t at = source.find(text);
    return 1 + static_cast<int>(std::count(source.begin(), source.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
}

class Messaging : public vm_test::ScriptWorld {
protected:
    void SetUp() override
    {
        ScriptWorld::SetUp();
        ASSERT_TRUE(Build(kNodes));
    }
    Slot Ref(GSRuntime::GSObject* object) { return Slot::FromPointer(object->GetScriptInstance()); }
    int32_t Got(GSRuntime::GSObject* node) { return CallInt(node, "$int@Node::Got()"); }
    int32_t Handled(GSRuntime::GSObject* node) { return CallInt(node, "$int@Node::Handled()"); }
    void Post(GSRuntime::GSObject* from, GSRuntime::GSObject* to, const char* minor, float seconds, int n = 1)
    {
        ASSERT_TRUE(Call(from, "$void@Node::Post(Node,string,float,int)",
                         {Ref(to), Text(minor), Slot::FromFloat(seconds), Slot::FromInt(n)}));
    }
};

TEST_F(Messaging, AWaitingThreadWakesForEachMessageAndEndsOnStop)
{
    GSGameObject* a = MakeGame("Node");
    GSGameObject* b = MakeGame("Node");
    ASSERT_TRUE(Call(a, "$void@Node::StartListening()"));
    EXPECT_EQ(a->ThreadCount(), 1u);
    Router()->Step(0.1f);  // the thread runs up to its wait
    Post(b, a, "one", 0.0f);
    Router()->Step(0.1f);  // delivered and run
    EXPECT_EQ(Got(a), 1);
    EXPECT_EQ(CallString(a, "$string@Node::Last()"), "one");
    // A delayed message waits for the clock.
    Post(b, a, "two", 1.5f);
    Router()->Step(1.0f);
    EXPECT_EQ(Got(a), 1);
    Router()->Step(0.5f);
    EXPECT_EQ(Got(a), 2);
    ASSERT_TRUE(Call(b, "$void@Node::PostStop(Node)", {Ref(a)}));
    Router()->Step(0.1f);
    EXPECT_EQ(a->ThreadCount(), 0u);
}

TEST_F(Messaging, AThreadSendsMessagesThatArriveAtOnce)
{
    GSGameObject* a = MakeGame("Node");
    GSGameObject* b = MakeGame("Node");
    ASSERT_TRUE(Call(a, "$void@Node::StartListening()"));
    a->Process(0.0f);
    ASSERT_TRUE(Call(b, "$void@Node::StartTalk(Node,string)", {Ref(a), Text("hi")}));
    b->Process(0.0f);  // SendMessage wakes a's thread
    a->Process(0.0f);
    EXPECT_EQ(Got(a), 1);
    // The main thread may not send.
    LogCapture log;
    EXPECT_TRUE(Call(b, "$void@Node::StartTalk(Node,string)", {Ref(a), Slot::FromInt(0)}));
    b->Process(0.0f);
    EXPECT_TRUE(log.Contains("GameObject::SendMessage() illegal major or minor string (file gs.gs)"));
    EXPECT_TRUE(log.Contains("Thread Exception: ER_Exception, line 15, file test.gs"));
}

// A handler run inside a thread's SendMessage is a nested run: it shares the
// thread's budget, so when it uses the budget up, the thread's run ends too,
// at its next transfer (the call behind the send).
TEST_F(Messaging, ANestedHandlerRunSharesTheBudgetOfTheRunAroundIt)
{
    GSGameObject* target = MakeGame("Node");
    GSGameObject* owner = MakeGame("Node");
    GSGameObject* sender = MakeGame("Node");
    ASSERT_TRUE(Call(owner, "$void@Node::Handle(Node,string)", {Ref(target), Text("OnSpin")}));
    ASSERT_TRUE(Call(sender, "$void@Node::StartTalkThenCall(Node)", {Ref(target)}));
    LogCapture log;
    sender->Process(0.0f);
    std::vector<std::string> reports;
    for (const std::string& line : log.Taken()) {
        if (line.rfind("Thread Exception: ", 0) == 0)
            reports.push_back(line);
    }
    EXPECT_EQ(reports, (std::vector<std::string>{
                           "Thread Exception: ER_Timeout, line " + std::to_string(LineOf("OnSpin")) + ", file test.gs",
                           "Thread Exception: ER_Timeout, line " + std::to_string(LineOf("thread void TalkThenCall")) +
                               ", file test.gs"}));
    EXPECT_EQ(sender->ThreadCount(), 0u);
    EXPECT_GT(Handled(owner), 1000000);
}

TEST_F(Messaging, ASleepingThreadCountsDownItsTimer)
{
    GSGameObject* a = MakeGame("Node");
    ASSERT_TRUE(Call(a, "$void@Node::StartNap(float)", {Slot::FromFloat(2.5f)}));
    const int naps[] = {0, 0, 0, 1};
    for (int expected : naps) {
        a->Process(1.0f);
        EXPECT_EQ(CallInt(a, "$int@Node::Naps()"), expected);
    }
    EXPECT_EQ(a->ThreadCount(), 0u);
    // Too short a sleep does nothing.
    ASSERT_TRUE(Call(a, "$void@Node::StartNap(float)", {Slot::FromFloat(0.0000001f)}));
    a->Process(0.0f);
    EXPECT_EQ(CallInt(a, "$int@Node::Naps()"), 2);
}

TEST_F(Messaging, TheMessageAfterAFullQueueIsReportedAndDroppedWithTheQueue)
{
    GSGameObject* a = MakeGame("Node");
    GSGameObject* b = MakeGame("Node");
    ASSERT_TRUE(Call(a, "$void@Node::StartListening()"));
    Router()->Step(0.0f);
    // The first wakes the thread, the next 1024 queue, the one after that
    // overflows; the last starts a new queue.
    Post(b, a, "x", 0.0f, 1027);
    LogCapture log;
    Router()->Step(0.0f);
    ASSERT_FALSE(log.Taken().empty());
    const std::string& report = log.Taken()[0];
    const std::string first = "Message Queue Overflow for node " + std::to_string(a->Id()) +
                              " (discarded message follows)\nrouter message from ";
    EXPECT_EQ(report.rfind(first, 0), 0u) << report.substr(0, 200);
    EXPECT_NE(report.find(" thread state is 0\n messages already in queue follow:\n"), std::string::npos);
    // The step ran the thread for the first message; its next wait took
    // the one message queued after the overflow.
    EXPECT_EQ(Got(a), 1);
    a->Process(0.0f);
    EXPECT_EQ(Got(a), 2);
}

TEST_F(Messaging, TheSixtyFifthThreadIsRefused)
{
    GSGameObject* a = MakeGame("Node");
    LogCapture log;
    EXPECT_FALSE(Call(a, "$void@Node::StartMany(int)", {Slot::FromInt(65)}));
    EXPECT_EQ(a->ThreadCount(), 64u);
    EXPECT_TRUE(log.Contains("Thread Exception: ER_ThreadError, line 18, file test.gs"));
}

TEST_F(Messaging, HandlersRunOnTheirOwnersAndSniffersSeeWithoutTaking)
{
    GSGameObject* target = MakeGame("Node");
    GSGameObject* owner = MakeGame("Node");
    GSGameObject* watcher = MakeGame("Node");
    GSGameObject* second = MakeGame("Node");
    const uint16_t ping = Router()->InternName("Ping");
    // Twice the same handler: one handler, one subscription.
    for (int i = 0; i < 2; ++i)
        ASSERT_TRUE(Call(owner, "$void@Node::Handle(Node,string)", {Ref(target), Text("OnPing")}));
    EXPECT_EQ(target->HandlerCount(), 1u);
    EXPECT_EQ(Router()->SubscriptionCount(target, ping), 1);
    ASSERT_TRUE(Call(watcher, "$void@Node::Watch(Node,bool)", {Ref(target), Slot::FromInt(1)}));
    ASSERT_TRUE(Call(second, "$void@Node::Watch(Node,bool)", {Ref(watcher), Slot::FromInt(1)}));
    ASSERT_TRUE(Call(watcher, "$void@Node::StartListening()"));
    ASSERT_TRUE(Call(second, "$void@Node::StartListening()"));
    Router()->Step(0.0f);
    Post(second, target, "p", 0.0f);
    Router()->Step(0.0f);
    EXPECT_EQ(Handled(owner), 1);
    EXPECT_EQ(Handled(target), 0);
    EXPECT_EQ(Got(watcher), 1);  // sniffed
    EXPECT_EQ(Got(second), 0);   // a sniffed message goes no further
    // An empty method name removes the handler and its subscription.
    ASSERT_TRUE(Call(owner, "$void@Node::Handle(Node,string)", {Ref(target), Text("")}));
    EXPECT_EQ(target->HandlerCount(), 1u);  // the sniffer stays
    ASSERT_TRUE(Call(watcher, "$void@Node::Watch(Node,bool)", {Ref(target), Slot::FromInt(0)}));
    EXPECT_EQ(target->HandlerCount(), 0u);
    EXPECT_EQ(Router()->SubscriptionCount(target, ping), 0);
    LogCapture log;
    ASSERT_TRUE(Call(owner, "$void@Node::Handle(Node,string)", {Ref(target), Text("Nothing")}));
    ASSERT_TRUE(Call(owner, "$void@Node::Handle(Node,string)", {Slot::FromInt(0), Text("OnPing")}));
    EXPECT_EQ(log.Taken(),
              (std::vector<std::string>{
                  "Could not find handler $void@Node::Nothing(Message) for native GameObject::AddHandler()",
                  "target object is null for GameObject::AddHandler()"}));
}

TEST_F(Messaging, ClearedAndMisaddressedMessagesAreDropped)
{
    GSGameObject* a = MakeGame("Node");
    GSGameObject* b = MakeGame("Node");
    ASSERT_TRUE(Call(a, "$void@Node::StartListening()"));
    Router()->Step(0.0f);
    Post(b, a, "later", 2.0f, 3);
    EXPECT_EQ(Router()->DelayedCount(), 3u);
    LogCapture log;
    ASSERT_TRUE(Call(a, "$void@Node::Clear()"));
    EXPECT_EQ(Router()->DelayedCount(), 0u);
    char line[128];
    std::snprintf(line, sizeof line, "3 queued router messages cleared for %04d '', message Ping, ", a->Id());
    EXPECT_TRUE(log.Contains(line)) << (log.Taken().empty() ? "" : log.Taken()[0]);
    // A destination no node holds, and a source no node holds: nothing.
    ASSERT_TRUE(Call(b, "$void@Node::PostFrom(int,int)", {Slot::FromInt(b->Id()), Slot::FromInt(999999)}));
    ASSERT_TRUE(Call(b, "$void@Node::PostFrom(int,int)", {Slot::FromInt(999999), Slot::FromInt(a->Id())}));
    Router()->Step(5.0f);
    EXPECT_EQ(Got(a), 0);
    ASSERT_TRUE(Call(b, "$void@Node::PostFrom(int,int)", {Slot::FromInt(b->Id()), Slot::FromInt(a->Id())}));
    Router()->Step(0.0f);
    EXPECT_EQ(Got(a), 1);
}

TEST_F(Messaging, AWaitForANameBeyondTheLastMessageIdFails)
{
    GSGameObject* a = MakeGame("Node");
    // Ids are 16 bits: 101 to 65535 can be handed out.
    for (int i = 0; Router()->InternName(("name" + std::to_string(i)).c_str()) != 0; ++i) {}
    EXPECT_EQ(Router()->InternName("one more"), 0);
    ASSERT_TRUE(Call(a, "$void@Node::StartListening()"));
    LogCapture log;
    Router()->Step(0.0f);
    EXPECT_TRUE(log.Contains("Thread Exception: ER_ThreadError, line 12, file test.gs")) << log.Taken()[0];
    EXPECT_EQ(a->ThreadCount(), 0u);
}

// The router's end deletes the nodes whose deletion was asked for; one of
// them may hold, in its thread, the last reference of another node, which
// goes with it and must not be visited afterwards.
TEST_F(Messaging, TheRoutersEndSurvivesNodesThatTakeOthersWithThem)
{
    GSGameObject* held = new GSGameObject;
    ASSERT_TRUE(Router()->AddNode(held));
    ASSERT_TRUE(held->AttachScriptInstance(Class("Node"), context_.get()));
    GSGameObject* holder = new GSGameObject;
    ASSERT_TRUE(Router()->AddNode(holder));
    ASSERT_TRUE(holder->AttachScriptInstance(Class("Node"), context_.get()));
    ASSERT_TRUE(Call(holder, "$void@Node::Hold(Node)", {Ref(held)}));
    // From here only the holder's thread keeps the held object.
    GSRuntime::GSScriptInstance::Release(held->Instance());
    GSMessage request{GSRuntime::kMessageDeleteRequest, 1, 0, holder->Id(), 0};
    Router()->DeliverMessage(request);
    LogCapture log;
    Router()->Done();
    EXPECT_TRUE(log.Contains("GSRouter::Done(), 2 outstanding node(s)"));
    EXPECT_EQ(Router()->NodeCount(), 0u);
}

// A node that records what reaches it.
class Recorder : public GSNode {
public:
    bool ReceiveMessage(const GSMessage& message) override
    {
        seen.push_back(message.major);
        return GSNode::ReceiveMessage(message);
    }
    std::vector<uint16_t> seen;
};

TEST_F(Messaging, TheRouterDeliversByMajorAndOrdersDelays)
{
    GSRuntime::GSRouter* router = Router();
    EXPECT_EQ(router->InternName(""), 1);
    EXPECT_EQ(router->InternName(nullptr), 1);
    const uint16_t first = router->InternName("First");
    EXPECT_EQ(router->InternName("Second"), first + 1);
    EXPECT_EQ(router->InternName("First"), first);
    Recorder x;
    Recorder y;
    ASSERT_TRUE(router->AddNode(&x));
    ASSERT_TRUE(router->AddNode(&y));
    GSMessage message{50, 1, y.Id(), x.Id(), 0};
    router->DeliverMessage(message);  // a system major needs no subscription
    message.major = 150;
    router->DeliverMessage(message);  // a subscribed major does
    EXPECT_EQ(x.seen, std::vector<uint16_t>{50});
    ASSERT_TRUE(router->Subscribe(&x, 150));
    ASSERT_TRUE(router->Subscribe(&x, 150));
    ASSERT_TRUE(router->Unsubscribe(&x, 150));
    message.destination = 0;
    router->DeliverMessage(message);
    EXPECT_EQ(x.seen, (std::vector<uint16_t>{50, 150}));
    EXPECT_TRUE(y.seen.empty());
    ASSERT_TRUE(router->Unsubscribe(&x, 150));
    EXPECT_FALSE(router->Unsubscribe(&x, 150));
    // Delays 30, 10, 20 come out as 10, 20, 30.
    for (uint32_t delay : {30u, 10u, 20u}) {
        GSMessage delayed{static_cast<uint16_t>(40 + delay / 10), 1, y.Id(), x.Id(), 0x80000000u | delay};
        ASSERT_TRUE(router->QueueMessage(&delayed));
    }
    x.seen.clear();
    router->Step(0.012f);
    EXPECT_EQ(x.seen, std::vector<uint16_t>{41});
    router->Step(0.025f);
    EXPECT_EQ(x.seen, (std::vector<uint16_t>{41, 42, 43}));
    LogCapture log;
    router->PrintInfo();
    EXPECT_EQ(log.Taken().size(), 8u);
    EXPECT_TRUE(log.Contains("2 Node(s)"));
    EXPECT_TRUE(log.Contains("0 Message(s) in the delay queue"));
    router->Done();
    EXPECT_TRUE(log.Contains("GSRouter::Done(), 2 outstanding node(s)"));
    EXPECT_EQ(x.Id(), -1);
    EXPECT_EQ(y.Id(), -1);
}

}  // namespace
