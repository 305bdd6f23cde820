// Labels and jump fixups of code generation: numbering, names, patching and unresolved gotos.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "front_end_helpers.h"
#include "script/common/byte_buffer.h"
#include "script/compiler/compile_log.h"
#include "script/compiler/compile_unit.h"
#include "script/compiler/label_table.h"

namespace {

uint32_t WordAt(const Utils::ByteBuffer& code, size_t position)
{
    const uint8_t* p = code.Data() + position;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

struct LabelTable : testing::Test {
    void SetUp() override
    {
        unit.Init(nullptr, &log);
        unit.fileName = "t.gs";
        ASSERT_TRUE(code.Init(64));
        for (int i = 0; i < 8; ++i)
            code.WriteU32(0xFFFFFFFFu);
    }
    GSCompileLog log;
    GSCompiler::GSCompileUnit unit;
    Utils::ByteBuffer code;
    GSCompiler::GSLabelTable labels;
};

TEST_F(LabelTable, NumbersCountUpAndNamesMapToOneLabel)
{
    EXPECT_EQ(labels.NewLabel(), 0);
    EXPECT_EQ(labels.NewLabel(), 1);
    int32_t loop = labels.LabelByName("loop");
    EXPECT_EQ(loop, 2);
    EXPECT_EQ(labels.LabelByName("loop"), loop);
    EXPECT_EQ(labels.LabelByName("Loop"), 3);  // names are case-sensitive
    EXPECT_EQ(labels.NewLabel(), 4);
    EXPECT_EQ(labels.LabelCount(), 5u);
}

TEST_F(LabelTable, DefineOnceOnly)
{
    int32_t label = labels.NewLabel();
    EXPECT_FALSE(labels.IsDefined(label));
    EXPECT_TRUE(labels.Define(label, 12));
    EXPECT_TRUE(labels.IsDefined(label));
    EXPECT_FALSE(labels.Define(label, 16));
    EXPECT_FALSE(labels.Define(99, 0));  // never handed out
    EXPECT_FALSE(labels.Define(-1, 0));
}

TEST_F(LabelTable, DefinedLabelsPatchTheirOperandsBeforeAndAfterDefinition)
{
    int32_t forward = labels.NewLabel();
    int32_t backward = labels.NewLabel();
    ASSERT_TRUE(labels.Define(backward, 0x10));
    labels.AddFixup(forward, 4, "no matching label", 3);
    labels.AddFixup(backward, 8, "no matching label", 4);
    labels.AddFixup(forward, 20, "no matching label", 5);
    ASSERT_TRUE(labels.Define(forward, 0x1C));
    size_t cursor = code.Cursor();
    EXPECT_EQ(labels.ResolveFixups(&code, &unit), 0);
    EXPECT_EQ(WordAt(code, 4), 0x1Cu);
    EXPECT_EQ(WordAt(code, 8), 0x10u);
    EXPECT_EQ(WordAt(code, 20), 0x1Cu);
    EXPECT_EQ(WordAt(code, 0), 0xFFFFFFFFu);
    EXPECT_EQ(code.Cursor(), cursor);
    EXPECT_EQ(unit.errorCount, 0);
    EXPECT_EQ(code.Flags(), 0u);
}

TEST_F(LabelTable, EachUnresolvedFixupReportsItsOwnLine)
{
    int32_t missing = labels.LabelByName("nowhere");
    labels.AddFixup(missing, 4, "no matching label", 7);
    labels.AddFixup(missing, 12, "no matching label", 9);
    EXPECT_EQ(labels.ResolveFixups(&code, &unit), 2);
    EXPECT_EQ(unit.errorCount, 2);
    EXPECT_EQ(compiler_test::LogLines(log),
              (std::vector<std::string>{"t.gs(7) : no matching label, line 7", "t.gs(9) : no matching label, line 9"}));
    EXPECT_EQ(WordAt(code, 4), 0xFFFFFFFFu);
}

TEST_F(LabelTable, OperandBeyondTheCodeSetsTheOverflowFlagAndWritesNothing)
{
    int32_t label = labels.NewLabel();
    labels.Define(label, 4);
    size_t length = code.Length();
    labels.AddFixup(label, static_cast<uint32_t>(length - 2), "no matching label", 1);  // straddles the end
    labels.AddFixup(label, 0x7FFFFFF0u, "no matching label", 1);
    EXPECT_EQ(labels.ResolveFixups(&code, &unit), 0);
    EXPECT_NE(code.Flags() & Utils::ByteBuffer::kReadPastEnd, 0u);
    EXPECT_EQ(code.Length(), length);
    EXPECT_EQ(WordAt(code, length - 4), 0xFFFFFFFFu);
}

TEST_F(LabelTable, ClearStartsTheNextFunctionAfresh)
{
    labels.LabelByName("a");
    labels.NewLabel();
    labels.AddFixup(0, 0, "no matching label", 1);
    labels.Clear();
    EXPECT_EQ(labels.LabelCount(), 0u);
    EXPECT_EQ(labels.FixupCount(), 0u);
    EXPECT_EQ(labels.ResolveFixups(&code, &unit), 0);
    EXPECT_EQ(labels.LabelByName("a"), 0);
    EXPECT_EQ(labels.NewLabel(), 1);
}

}  // namespace
