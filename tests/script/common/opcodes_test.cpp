// The opcode table against the instruction set as documented: numbers,
// names, operand layouts and the depth rule of code generation.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "script/common/opcodes.h"

namespace {

// Every opcode name in number order, 0 to 115.
const char* const kNames[] = {
    "OP_AddInt",
    "OP_SubInt",
    "OP_MulInt",
    "OP_DivInt",
    "OP_ModInt",
    "OP_NegInt",
    "OP_IncInt",
    "OP_DecInt",
    "OP_IntToFloat",
    "OP_CmpInt",
    "OP_PushFalse",
    "OP_PushTrue",
    "OP_Not",
    "OP_AndInt",
    "OP_OrInt",
    "OP_XorInt",
    "OP_ComplementInt",
    "OP_ShlInt",
    "OP_ShrInt",
    "OP_AddFloat",
    "OP_SubFloat",
    "OP_MulFloat",
    "OP_DivFloat",
    "OP_ModFloat",
    "OP_NegFloat",
    "OP_IncFloat",
    "OP_DecFloat",
    "OP_FloatToInt",
    "OP_CmpFloat",
    "OP_NotFloat",
    "OP_PushInt",
    "OP_LoadLocal",
    "OP_LoadLocalRef",
    "OP_StoreLocal",
    "OP_StoreLocalKeep",
    "OP_StoreLocalRef",
    "OP_StoreLocalRefKeep",
    "OP_Pop",
    "OP_PopRef",
    "OP_Dup",
    "OP_DupRef",
    "OP_Dup2Ref",
    "OP_Swap",
    "OP_Jump",
    "OP_JumpIfZero",
    "OP_JumpIfNotZero",
    "OP_JumpIfZeroKeep",
    "OP_JumpIfNotZeroKeep",
    "OP_JumpIfLess",
    "OP_JumpIfLessEqual",
    "OP_JumpIfGreater",
    "OP_JumpIfGreaterEqual",
    "OP_Less",
    "OP_LessEqual",
    "OP_Greater",
    "OP_GreaterEqual",
    "OP_NewArray",
    "OP_NewRefArray",
    "OP_ArraySize",
    "OP_ArrayCopy",
    "OP_ArrayGet",
    "OP_ArraySet",
    "OP_ArraySetKeep",
    "OP_ArrayGetRef",
    "OP_ArraySetRef",
    "OP_ArraySetRefKeep",
    "OP_ArraySlice",
    "OP_ArrayReplace",
    "OP_ArrayReplaceKeep",
    "OP_RefArraySlice",
    "OP_RefArrayReplace",
    "OP_RefArrayReplaceKeep",
    "OP_NewString",
    "OP_PushString",
    "OP_IntToString",
    "OP_BoolToString",
    "OP_FloatToString",
    "OP_StringCopy",
    "OP_StringLength",
    "OP_StringGetChar",
    "OP_StringSetChar",
    "OP_StringSetCharKeep",
    "OP_StringSlice",
    "OP_StringReplace",
    "OP_StringReplaceKeep",
    "OP_StringCompare",
    "OP_StringConcat",
    "OP_IsInstance",
    "OP_NewObject",
    "OP_PushStatic",
    "OP_Cast",
    "OP_RefNotEqual",
    "OP_IsNull",
    "OP_IsNotNull",
    "OP_Call",
    "OP_CallNative",
    "OP_StartThread",
    "OP_GetMember",
    "OP_GetMemberRef",
    "OP_SetMember",
    "OP_SetMemberKeep",
    "OP_SetMemberRef",
    "OP_SetMemberRefKeep",
    "OP_GetOwnMember",
    "OP_GetOwnMemberRef",
    "OP_SetOwnMember",
    "OP_SetOwnMemberRef",
    "OP_SetOwnMemberKeep",
    "OP_SetOwnMemberRefKeep",
    "OP_Return",
    "OP_ReturnValue",
    "OP_ReturnRef",
    "OP_Wait",
    "OP_Switch",
    "OP_CallInherited",
    "OP_ToBool",
};

TEST(OpcodeTable, NumbersAndNamesFollowTheInstructionSet)
{
    static_assert(sizeof(kNames) / sizeof(kNames[0]) == kOpcodeCount);
    for (uint32_t i = 0; i < kOpcodeCount; ++i) {
        const OpcodeInfo* info = FindOpcode(static_cast<uint8_t>(i));
        ASSERT_NE(info, nullptr) << i;
        EXPECT_EQ(info->number, i);
        EXPECT_STREQ(info->name, kNames[i]) << i;
        EXPECT_EQ(OpcodeByName(kNames[i]), static_cast<int32_t>(i));
    }
    EXPECT_EQ(OP_Switch, 113);
    EXPECT_EQ(OP_CallInherited, 114);
    EXPECT_EQ(OP_ToBool, 115);
    for (int byte : {116, 200, 255}) {
        EXPECT_EQ(FindOpcode(static_cast<uint8_t>(byte)), nullptr);
        EXPECT_EQ(OpcodeName(static_cast<uint8_t>(byte)), nullptr);
    }
    EXPECT_EQ(OpcodeByName("OP_Nothing"), -1);
}

// The depth rule as it is documented: the groups of opcodes per change.
TEST(OpcodeTable, DepthChangesFollowTheDepthRule)
{
    auto range = [](int from, int to) {
        std::vector<int> list;
        for (int i = from; i <= to; ++i)
            list.push_back(i);
        return list;
    };
    auto join = [](std::vector<std::vector<int>> parts) {
        std::vector<int> all;
        for (auto& part : parts)
            all.insert(all.end(), part.begin(), part.end());
        return all;
    };
    struct Group {
        int change;
        std::vector<int> opcodes;
    };
    const Group groups[] = {
        {2, {41}},
        {1, {10, 11, 30, 31, 32, 39, 40, 72, 73, 88, 89, 103, 104}},
        {-1, join({range(0, 4),
                   {9},
                   range(13, 15),
                   range(17, 23),
                   {28, 33, 35, 37, 38, 44, 45},
                   range(48, 51),
                   {60, 63, 79, 85, 86, 91, 100, 102, 105, 106, 110, 111, 113}})},
        {-2, {62, 65, 66, 69, 81, 82, 99, 101}},
        {-3, {61, 64, 68, 71, 80, 84}},
        {-4, {67, 70, 83}},
    };
    std::set<int> listed;
    for (const Group& group : groups) {
        for (int opcode : group.opcodes) {
            EXPECT_EQ(FindOpcode(static_cast<uint8_t>(opcode))->depth, group.change) << kNames[opcode];
            listed.insert(opcode);
        }
    }
    for (uint32_t i = 0; i < kOpcodeCount; ++i) {
        if (listed.count(static_cast<int>(i)) == 0) {
            EXPECT_EQ(FindOpcode(static_cast<uint8_t>(i))->depth, 0) << kNames[i];
        }
    }
}

TEST(OpcodeTable, OperandLayouts)
{
    struct Row {
        GSOpcode opcode;
        OperandLayout layout;
        uint32_t bytes;
    };
    const Row rows[] = {
        {OP_AddInt, OperandLayout::None, 0},       {OP_PushInt, OperandLayout::I32, 4},
        {OP_LoadLocal, OperandLayout::U16, 2},     {OP_StoreLocalRefKeep, OperandLayout::U16, 2},
        {OP_Jump, OperandLayout::I32, 4},          {OP_JumpIfGreaterEqual, OperandLayout::I32, 4},
        {OP_PushString, OperandLayout::U16, 2},    {OP_IsInstance, OperandLayout::U16, 2},
        {OP_Cast, OperandLayout::U16, 2},          {OP_Call, OperandLayout::I16U16, 4},
        {OP_CallNative, OperandLayout::I16U16, 4}, {OP_StartThread, OperandLayout::I16U16, 4},
        {OP_GetMember, OperandLayout::U16, 2},     {OP_SetOwnMemberRefKeep, OperandLayout::U16, 2},
        {OP_Wait, OperandLayout::Wait, 2},         {OP_Switch, OperandLayout::Switch, 2},
        {OP_CallInherited, OperandLayout::I16, 2}, {OP_ReturnValue, OperandLayout::None, 0},
    };
    for (const Row& row : rows) {
        const OpcodeInfo* info = FindOpcode(row.opcode);
        EXPECT_EQ(info->layout, row.layout) << info->name;
        EXPECT_EQ(FixedOperandBytes(info->layout), row.bytes) << info->name;
    }
    int withOperands = 0;
    for (uint32_t i = 0; i < kOpcodeCount; ++i) {
        if (FindOpcode(static_cast<uint8_t>(i))->layout != OperandLayout::None)
            ++withOperands;
    }
    // 30-36, 43-51, 73, 87-90, 94-96, 97-108, 112-114.
    EXPECT_EQ(withOperands, 7 + 9 + 1 + 4 + 3 + 12 + 3);
}

TEST(OpcodeTable, ResultNames)
{
    const char* const names[] = {"ER_Done",
                                 "ER_Blocked",
                                 "ER_IllegalInstruction",
                                 "ER_DivideByZero",
                                 "ER_NullArrayReference",
                                 "ER_ArrayOutOfBounds",
                                 "ER_ArrayRangeError",
                                 "ER_NullStringReference",
                                 "ER_StringOutOfBounds",
                                 "ER_NullReference",
                                 "ER_ClassCreateError",
                                 "ER_NativeCallError",
                                 "ER_StackOverflow",
                                 "ER_NoStackFrame",
                                 "ER_ThreadError",
                                 "ER_StackReturnError",
                                 "ER_Exception",
                                 "ER_LinkError",
                                 "ER_Timeout"};
    for (int32_t i = 0; i < kResultCount; ++i)
        EXPECT_STREQ(ResultName(i), names[i]);
    EXPECT_EQ(ER_Timeout, 18);
    EXPECT_EQ(ResultName(-1), nullptr);
    EXPECT_EQ(ResultName(19), nullptr);
}

}  // namespace
