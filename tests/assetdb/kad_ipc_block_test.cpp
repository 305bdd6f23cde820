// KADIpcBlock: joining, creating and tidying the ownership block.
#include "assetdb/client_test_environment.h"
#include "assetdb/kad_ipc_block.h"

#include "assetdb/protocol/kad_ipc_block_view.h"
#include "assetdb/protocol/kad_ipc_names.h"
#include "platform/ipc.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class KADIpcBlockTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        databasePath = ClientTestDatabasePath();
        KADIpcNameSet names;
        ASSERT_TRUE(KADIpcNames(databasePath, names));
        blockName = names.mutexName + "-ipc2";
        Platform::SharedBlock::Remove(blockName);
    }
    void TearDown() override { Platform::SharedBlock::Remove(blockName); }

    // The block as another process sees it.
    KADIpcBlockView Peek()
    {
        if (!peek.IsOpen())
            peek.Open(blockName, KADIpcBlockView::Size, true);
        return KADIpcBlockView(peek.Data());
    }

    static int DeadProcessId()
    {
        pid_t child = fork();
        if (child == 0)
            _exit(0);
        waitpid(child, nullptr, 0);
        return child;
    }

    std::string databasePath;
    std::string blockName;
    Platform::SharedBlock peek;
};

}  // namespace

TEST_F(KADIpcBlockTest, RefusesPathsThatAreNotADatabaseInAnExistingFolder)
{
    const std::string cases[] = {
        ClientTestRoot() + "/UserData/assets.tdy",
        ClientTestRoot() + "/UserData/assets",
        ClientTestRoot() + "/NoSuchFolder/assets.tdx",
    };
    for (const std::string& path : cases) {
        KADIpcBlock block;
        EXPECT_FALSE(block.Open(path)) << path;
        EXPECT_EQ(block.GetPort(), 0);
    }
}

TEST_F(KADIpcBlockTest, LetterCaseOfTheDatabaseNameDoesNotMatter)
{
    KADIpcBlock block;
    EXPECT_TRUE(block.Open(ClientTestRoot() + "/UserData/ASSETS.TDX"));
}

TEST_F(KADIpcBlockTest, NoBlockCreatesAFreshOneWithoutPort)
{
    KADIpcBlock block;
    ASSERT_TRUE(block.Open(databasePath));
    EXPECT_TRUE(block.IsKeeper());
    EXPECT_EQ(block.GetPort(), 0);
    KADIpcBlockView view = Peek();
    EXPECT_EQ(view.Keeper(), getpid());
    EXPECT_EQ(view.Owner(), -1);
    EXPECT_EQ(view.Version(), 3);
    EXPECT_EQ(view.AttachCount(), 1);
    block.Close();
    EXPECT_EQ(view.Keeper(), -1);
    EXPECT_EQ(view.AttachCount(), 0);
}

TEST_F(KADIpcBlockTest, ReadsThePortOfALiveOwnerAndJoinsWithoutKeeping)
{
    KADIpcBlockView view = Peek();
    view.Initialise(getppid());
    view.SetOwner(getppid());
    view.SetPort(4567);
    KADIpcBlock block;
    ASSERT_TRUE(block.Open(databasePath));
    EXPECT_FALSE(block.IsKeeper());
    EXPECT_EQ(block.GetPort(), 4567);
    EXPECT_EQ(view.AttachCount(), 2);
}

TEST_F(KADIpcBlockTest, ClosingBlockCannotBeJoined)
{
    KADIpcBlockView view = Peek();
    view.Initialise(getppid());
    view.SetClosing(1);
    KADIpcBlock block;
    EXPECT_FALSE(block.Open(databasePath));
    EXPECT_FALSE(block.IsOpen());
}

TEST_F(KADIpcBlockTest, DeadKeeperIsReplacedAndDeadOwnerCleared)
{
    KADIpcBlockView view = Peek();
    int dead = DeadProcessId();
    view.Initialise(dead);
    view.SetOwner(dead);
    view.SetRequester(dead);
    view.SetPort(999);
    KADIpcBlock block;
    ASSERT_TRUE(block.Open(databasePath));
    EXPECT_TRUE(block.IsKeeper());
    EXPECT_EQ(view.Keeper(), getpid());
    EXPECT_EQ(view.Owner(), -1);
    EXPECT_EQ(view.Requester(), -1);
}
