// IPC names, the shared block across processes and the flock-based named lock.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/ipc.h"

using Platform::IpcName;
using Platform::NamedLock;
using Platform::SharedBlock;

namespace {

std::string UniqueName(const char* what)
{
    return std::string("platform-test-") + what + "-" + std::to_string(getpid());
}

}  // namespace

TEST(IpcNameTest, Fnv1aKnownValuesAndNameForm)
{
    EXPECT_EQ(Platform::Fnv1a64(""), 0xcbf29ce484222325ULL);
    EXPECT_EQ(Platform::Fnv1a64("a"), 0xaf63dc4c8601ec8cULL);
    EXPECT_EQ(Platform::Fnv1a64("foobar"), 0x85944171f73967e8ULL);
    EXPECT_EQ(IpcName(""), "kadipc-cbf29ce484222325");
    EXPECT_EQ(IpcName("a"), "kadipc-af63dc4c8601ec8c");
    std::string name = "09731AC6-B611-4e2a-B181-578073F64F24/home/u/korvel/userdata";
    EXPECT_EQ(IpcName(name), IpcName(name));
    EXPECT_NE(IpcName(name), IpcName(name + "-ipc2"));
    EXPECT_EQ(IpcName(name).size(), 7u + 16u);
    EXPECT_EQ(Platform::IpcLockPath("a"), "/dev/shm/kadipc-af63dc4c8601ec8c.lock");
}

TEST(SharedBlockTest, CreatedOnceAndVisibleAcrossFork)
{
    std::string name = UniqueName("block");
    SharedBlock block;
    bool created = false;
    EXPECT_FALSE(block.Open(name, 36, false, &created));  // not there, not asked to make it
    ASSERT_TRUE(block.Open(name, 36, true, &created));
    EXPECT_TRUE(created);
    EXPECT_EQ(block.Size(), 36u);
    unsigned char zeros[36] = {};
    EXPECT_EQ(memcmp(block.Data(), zeros, 36), 0);

    pid_t child = fork();
    if (child == 0) {
        SharedBlock mine;
        bool childCreated = true;
        if (!mine.Open(name, 36, true, &childCreated) || childCreated)
            _exit(2);
        memcpy(mine.Data(), "from child", 10);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(memcmp(block.Data(), "from child", 10), 0);

    SharedBlock second;
    ASSERT_TRUE(second.Open(name, 36, false, &created));
    EXPECT_FALSE(created);
    EXPECT_EQ(memcmp(second.Data(), "from child", 10), 0);
    EXPECT_TRUE(SharedBlock::Remove(name));
    EXPECT_FALSE(SharedBlock::Remove(name));
    EXPECT_FALSE(block.Open(name, 0, true, &created));
}

TEST(NamedLockTest, ExcludesOtherHoldersAndTimesOut)
{
    std::string name = UniqueName("lock");
    NamedLock first, second;
    bool created = false;
    ASSERT_TRUE(first.Open(name, &created));
    EXPECT_TRUE(created);
    ASSERT_TRUE(second.Open(name, &created));
    EXPECT_FALSE(created);
    ASSERT_TRUE(first.Lock(-1));
    EXPECT_TRUE(first.IsHeld());
    EXPECT_FALSE(second.TryLock());
    EXPECT_FALSE(second.Lock(30));
    first.Unlock();
    EXPECT_TRUE(second.Lock(30));
    second.Close();
    EXPECT_TRUE(first.TryLock());
    first.Close();
    unlink(Platform::IpcLockPath(name).c_str());
    NamedLock closed;
    EXPECT_FALSE(closed.Lock(0));
}

TEST(NamedLockTest, KernelReleasesTheLockOfADeadHolder)
{
    std::string name = UniqueName("dead");
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t child = fork();
    if (child == 0) {
        NamedLock held;
        char ok = held.Open(name) && held.Lock(-1) ? 'y' : 'n';
        (void)!write(ready[1], &ok, 1);
        pause();  // killed while holding it
        _exit(0);
    }
    char ok = 0;
    ASSERT_EQ(read(ready[0], &ok, 1), 1);
    ASSERT_EQ(ok, 'y');
    NamedLock lock;
    ASSERT_TRUE(lock.Open(name));
    EXPECT_FALSE(lock.TryLock());
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_TRUE(lock.Lock(5000));
    lock.Close();
    unlink(Platform::IpcLockPath(name).c_str());
    close(ready[0]);
    close(ready[1]);
}

TEST(SharedBlockTest, FirstUserSeesLeftoversAndMayResetThem)
{
    std::string name = UniqueName("leftover");
    {
        SharedBlock writer;
        ASSERT_TRUE(writer.Open(name, 36, true));
        memcpy(writer.Data(), "stale", 5);
    }  // every user gone: the POSIX block stays, a Windows mapping would not
    bool created = true, first = false;
    {
        SharedBlock keep;
        ASSERT_TRUE(keep.Open(name, 36, false, &created, false, &first));
        EXPECT_FALSE(created);
        EXPECT_TRUE(first);
        EXPECT_EQ(memcmp(keep.Data(), "stale", 5), 0);
    }
    SharedBlock reset;
    ASSERT_TRUE(reset.Open(name, 36, true, &created, true, &first));
    EXPECT_TRUE(created);
    EXPECT_TRUE(first);
    unsigned char zeros[36] = {};
    EXPECT_EQ(memcmp(reset.Data(), zeros, 36), 0);
    memcpy(reset.Data(), "live", 4);
    SharedBlock second;  // the first user is still attached: nothing is reset
    ASSERT_TRUE(second.Open(name, 36, true, &created, true, &first));
    EXPECT_FALSE(created);
    EXPECT_FALSE(first);
    EXPECT_EQ(memcmp(second.Data(), "live", 4), 0);
    SharedBlock::Remove(name);
}

TEST(NamedLockTest, FirstUserIsTheOnlyOpener)
{
    std::string name = UniqueName("presence");
    bool created = false, first = false;
    {
        NamedLock a;
        ASSERT_TRUE(a.Open(name, &created, &first));
        EXPECT_TRUE(created);
        EXPECT_TRUE(first);
        NamedLock b;
        ASSERT_TRUE(b.Open(name, &created, &first));
        EXPECT_FALSE(created);
        EXPECT_FALSE(first);
    }
    NamedLock again;
    ASSERT_TRUE(again.Open(name, &created, &first));
    EXPECT_FALSE(created);  // the file stays
    EXPECT_TRUE(first);     // but nobody has it open
    again.Close();
    unlink(Platform::IpcLockPath(name).c_str());
}
