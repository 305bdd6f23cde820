// The debug viewport: a silent sink whose lines become primitive calls and whose labels are freed once.
#include <gtest/gtest.h>

#include "mesh/kv_debug_vp.h"

namespace {

struct CountingViewport : KVDebugVp {
    int primitives = 0;
    int lastCount = 0;
    void DrawPrimitives(int kind, const Vertex*, const uint16_t* indices, int vertexCount, int indexCount,
                        uint32_t) override
    {
        ++primitives;
        lastCount = kind == 0 && indices[0] == 0 && indices[1] == 1 ? vertexCount + indexCount : -1;
    }
};

TEST(DebugViewportTest, LinesBecomePrimitivesAndLabelsAreFreedOnce)
{
    ASSERT_NE(KVDebugVp::Instance(), nullptr);
    EXPECT_TRUE(KVDebugVp::Instance()->IsEnabled());
    EXPECT_EQ(KVDebugVp::Instance()->GetColourA(0), 0xFF0000FFu);
    EXPECT_EQ(KVDebugVp::Instance()->GetColourB(3), 0xFFFF00FFu);
    // The base object's line changes nothing it keeps.
    KVDebugVp::Instance()->DrawLine({0, 0, 0}, {1, 1, 1}, 0xFFFFFFFFu);
    EXPECT_EQ(KVDebugVp::Instance()->GetNumLabels(), 0u);
    KVDebugVp* global = KVDebugVp::Instance();
    {
        CountingViewport viewport;
        viewport.DrawLine({0, 0, 0}, {1, 0, 0}, 0xFF00FF00u);
        EXPECT_EQ(viewport.primitives, 1);
        EXPECT_EQ(viewport.lastCount, 4);
        for (int i = 0; i < 1500; ++i)
            viewport.AddLabel({0, 0, 0}, 0, "a label long enough to live on the heap, not in the string");
        EXPECT_EQ(viewport.GetNumLabels(), 1500u);
        viewport.ClearLabels();
        EXPECT_EQ(viewport.GetNumLabels(), 0u);
        viewport.AddLabel({0, 0, 0}, 0, "freed by the destructor");
    }
    // The sanitizer checks the frees; the first instance is designated again.
    EXPECT_EQ(KVDebugVp::Instance(), global);
}

}  // namespace
