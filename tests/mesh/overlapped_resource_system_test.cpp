// The background loader, constructed here as nothing in the product does: running, finishing, cancelling, oldest first.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <mutex>
#include <vector>

#include "mesh/kv_axis_box_tree.h"
#include "mesh/mesh_load_fixture.h"
#include "mesh/overlapped_resource_system.h"

namespace {

struct Work {
    std::atomic<int> runs{0};
    std::atomic<int> completes{0};
    bool runResult = true;
};

OverlappedResourceCallback::Callback RunOf(Work& work)
{
    return [&work](void*) {
        ++work.runs;
        return work.runResult;
    };
}

OverlappedResourceCallback::Callback CompleteOf(Work& work)
{
    return [&work](void*) {
        ++work.completes;
        return true;
    };
}

}  // namespace

TEST(OverlappedResourceSystemTest, FinishWaitsForTheWorkerOrRunsTakenOutRequestsItself)
{
    OverlappedResourceSystem system;
    EXPECT_EQ(OverlappedResourceSystem::Global(), &system);
    Work ran, queued;
    Overlapped first, second;
    system.QueueCallback(first, "first", nullptr, RunOf(ran), CompleteOf(ran));
    EXPECT_TRUE(system.Finish(first.request));
    EXPECT_EQ(ran.runs, 1);
    EXPECT_EQ(ran.completes, 1);
    EXPECT_TRUE(first.IsComplete());

    system.Pause(true);
    system.QueueCallback(second, "second", nullptr, RunOf(queued), CompleteOf(queued));
    EXPECT_EQ(system.StateOf(second.request), OverlappedResource::Queued);
    // Taken out of the queue and done on this thread.
    EXPECT_TRUE(system.Finish(second.request));
    EXPECT_EQ(queued.runs, 1);
    EXPECT_EQ(system.QueuedCount(), 0u);
    EXPECT_TRUE(second.IsComplete());
}

TEST(OverlappedResourceSystemTest, CancelledAndFailingRequestsEndIdle)
{
    OverlappedResourceSystem system;
    system.Pause(true);
    Work cancelled, failing;
    failing.runResult = false;
    {
        Overlapped handle;
        system.QueueCallback(handle, "cancelled", nullptr, RunOf(cancelled), CompleteOf(cancelled));
        handle.Cancel();
        EXPECT_TRUE(handle.IsComplete());
    }
    EXPECT_EQ(cancelled.runs, 0);
    Overlapped handle;
    system.QueueCallback(handle, "failing", nullptr, RunOf(failing), CompleteOf(failing));
    EXPECT_FALSE(system.Finish(handle.request));
    EXPECT_EQ(failing.completes, 0);
    EXPECT_TRUE(handle.IsComplete());
}

TEST(OverlappedResourceSystemTest, OldestRequestRunsFirstWhateverTheQueueOrder)
{
    OverlappedResourceSystem system;
    system.Pause(true);
    std::mutex lock;
    std::vector<int> order;
    std::vector<std::unique_ptr<Overlapped>> handles;
    std::vector<OverlappedResourceCallback*> requests;
    for (int i = 0; i < 3; ++i) {
        auto* request = new OverlappedResourceCallback(
            nullptr,
            [&, i](void*) {
                std::lock_guard<std::mutex> guard(lock);
                order.push_back(i);
                return true;
            },
            nullptr);
        request->creationTime = 100.0 - i;  // the last made is the oldest
        requests.push_back(request);
        handles.push_back(std::make_unique<Overlapped>());
    }
    for (int i = 0; i < 3; ++i)
        system.QueueRequest(*handles[static_cast<size_t>(i)], requests[static_cast<size_t>(i)]);
    for (int i = 0; i < 3; ++i)
        system.RunNextNow();
    EXPECT_EQ(order, (std::vector<int>{2, 1, 0}));
}

TEST(OverlappedResourceSystemTest, CollisionTreeIsBuiltOnceInTheBackground)
{
    KorvelTest::ImFile file;
    file.chunks.push_back(KorvelTest::QuadChunk());
    KorvelTest::MeshLoad load;
    ASSERT_EQ(load.Load(file), MeshOk);
    OverlappedResourceSystem system;
    system.Pause(true);
    EXPECT_EQ(load.definition->GetCollisionTree(&system), nullptr);
    EXPECT_EQ(load.definition->GetCollisionTree(&system), nullptr);
    EXPECT_EQ(system.QueuedCount(), 1u);  // asked twice, queued once
    system.RunNextNow();
    KVAxisBoxTree* tree = load.definition->GetCollisionTree(&system);
    ASSERT_NE(tree, nullptr);
    KVAxisBoxTreeHit hit;
    float start[3] = {0.75f, 0.25f, 1}, end[3] = {0.75f, 0.25f, -1};
    ASSERT_TRUE(tree->IntersectSegment(hit, end, start));
    EXPECT_FLOAT_EQ(hit.t, 0.5f);
    EXPECT_EQ(hit.id, 0);  // first triangle of chunk 0
}
