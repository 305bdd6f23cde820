// BlockingScreen: nothing without a render target, nested shows, a missing picture, and the picture's rectangle.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/base/blocking_screen.h"

namespace {

class RecordingTarget : public BlockingScreenTarget {
public:
    bool LoadPicture(const char* name, const char* folder) override
    {
        calls.push_back(std::string("load ") + folder + "/" + name);
        return pictureExists;
    }
    void ReleasePicture() override { calls.push_back("release"); }
    void GetTargetSize(float& width, float& height) override
    {
        width = 1920;
        height = 1080;
    }
    void DrawPicture(const BlockingScreenRect& rect) override
    {
        calls.push_back("draw");
        drawn = rect;
    }
    void PumpMessages() override { calls.push_back("pump"); }

    bool pictureExists = true;
    std::vector<std::string> calls;
    BlockingScreenRect drawn{};
};

class BlockingScreenTest : public ::testing::Test {
protected:
    void TearDown() override { BlockingScreen::Instance().SetRenderTarget(nullptr); }
};

TEST_F(BlockingScreenTest, WithoutARenderTargetNothingChanges)
{
    BlockingScreen& screen = BlockingScreen::Instance();
    BlockingScreenDataLockStep(DataLockWaitScreenStep::Show);
    screen.Redraw();
    EXPECT_EQ(screen.ShowCount(), 0);
    screen.Hide();
    EXPECT_EQ(screen.ShowCount(), 0);
    EXPECT_FALSE(screen.HasPicture());
}

TEST_F(BlockingScreenTest, NestedShowsNeedAsManyHides)
{
    RecordingTarget target;
    BlockingScreen& screen = BlockingScreen::Instance();
    screen.SetRenderTarget(&target);
    BlockingScreenDataLockStep(DataLockWaitScreenStep::Show);
    screen.Show();
    BlockingScreenDataLockStep(DataLockWaitScreenStep::Redraw);
    screen.Hide();
    EXPECT_TRUE(screen.HasPicture());
    BlockingScreenDataLockStep(DataLockWaitScreenStep::Hide);
    EXPECT_FALSE(screen.HasPicture());
    EXPECT_EQ(target.calls,
              (std::vector<std::string>{"load data/BlockingScreen.jpg", "draw", "draw", "pump", "release"}));
    // A hide too many does not leave a debt for the next show.
    screen.Hide();
    screen.Show();
    EXPECT_EQ(screen.ShowCount(), 1);
    screen.Hide();
}

TEST_F(BlockingScreenTest, MissingPictureDrawsNothingButStillPumps)
{
    RecordingTarget target;
    target.pictureExists = false;
    BlockingScreen& screen = BlockingScreen::Instance();
    screen.SetRenderTarget(&target);
    screen.Show();
    screen.Redraw();
    screen.Hide();
    EXPECT_EQ(target.calls, (std::vector<std::string>{"load data/BlockingScreen.jpg", "pump"}));
}

TEST(BlockingScreenRect, ScaleModes)
{
    struct Case {
        int mode;
        float width, height;
        BlockingScreenRect expected;
    } cases[] = {
        {3, 1920, 1080, {0, -36, 1920, 1116, 0, 0, 1, 1}},
        {3, 1280, 1024, {-213.33334f, 0, 1493.3334f, 1024, 0, 0, 1, 1}},
        {2, 1920, 1080, {60, 0, 1860, 1080, 0, 0, 1, 1}},
        {2, 1000, 1000, {0, 200, 1000, 800, 0, 0, 1, 1}},
        {1, 1920, 1080, {320, 156, 1600, 924, 0, 0, 1, 1}},
        {0, 800, 600, {0, 0, 800, 600, 0, 0, 1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        BlockingScreenRect rect = BlockingScreenPictureRect(c.mode, c.width, c.height);
        EXPECT_FLOAT_EQ(rect.left, c.expected.left);
        EXPECT_FLOAT_EQ(rect.top, c.expected.top);
        EXPECT_FLOAT_EQ(rect.right, c.expected.right);
        EXPECT_FLOAT_EQ(rect.bottom, c.expected.bottom);
        EXPECT_EQ(rect.u1, 1.0f);
        EXPECT_EQ(rect.v1, 1.0f);
    }
}

}  // namespace
