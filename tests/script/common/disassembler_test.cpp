// The bytecode listing: operands of every layout, switch and wait tables,
// and hostile bytes (illegal opcodes, cut-off operands, huge counts).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/common/disassembler.h"

namespace {

std::string List(const std::vector<uint8_t>& code, const StringNamer& names = StringNamer())
{
    return Disassemble(code.data(), static_cast<uint32_t>(code.size()), names);
}

TEST(Disassembler, ListsEachOperandLayout)
{
    struct Case {
        std::vector<uint8_t> code;
        const char* listing;
    };
    const Case cases[] = {
        {{OP_AddInt, OP_Return}, "0: OP_AddInt\n1: OP_Return\n"},
        {{OP_PushInt, 0xFE, 0xFF, 0xFF, 0xFF}, "0: OP_PushInt -2\n"},
        {{OP_PushInt, 0x00, 0x00, 0x80, 0x3F}, "0: OP_PushInt 1065353216\n"},
        {{OP_LoadLocal, 0x34, 0x12}, "0: OP_LoadLocal 4660\n"},
        {{OP_GetOwnMember, 0xFF, 0xFF}, "0: OP_GetOwnMember 65535\n"},
        {{OP_Call, 0xFE, 0xFF, 0x03, 0x00}, "0: OP_Call -2 3\n"},
        {{OP_CallInherited, 0x00, 0x00}, "0: OP_CallInherited 0\n"},
        {{OP_PushString, 0x02, 0x00}, "0: OP_PushString s2\n"},
        {{OP_Jump, 0x05, 0, 0, 0, OP_Pop}, "0: OP_Jump 5\n5: OP_Pop\n"},
        {{OP_Switch, 0x02, 0x00, 0xFB, 0xFF, 0xFF, 0xFF, 7, 0, 0, 0, 23, 0, 0, 0, 24, 0, 0, 0, 25, 0, 0, 0},
         "0: OP_Switch 2 (-5 -> 23) (7 -> 24) default -> 25\n"},
        {{OP_Switch, 0x00, 0x00, 7, 0, 0, 0}, "0: OP_Switch 0 default -> 7\n"},
        {{OP_Wait, 0x02, 0x00, 1, 0, 2, 0, 3, 0, 2, 0, 19, 0, 0, 0, 30, 0, 0, 0},
         "0: OP_Wait 2 (s1 s2 -> 19) (s3 s2 -> 30)\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(List(c.code), c.listing);
}

TEST(Disassembler, NamesStringsThroughTheCallback)
{
    StringNamer names = [](uint32_t index) { return index == 0 ? std::string("Ping") : std::string(); };
    EXPECT_EQ(List({OP_PushString, 0, 0, OP_Wait, 1, 0, 0, 0, 1, 0, 12, 0, 0, 0}, names),
              "0: OP_PushString \"Ping\"\n3: OP_Wait 1 (\"Ping\" \"\" -> 12)\n");
}

TEST(Disassembler, HostileBytesAreShownNotFollowed)
{
    struct Case {
        std::vector<uint8_t> code;
        const char* listing;
    };
    const Case cases[] = {
        {{}, ""},
        {{116, 200, OP_Pop}, "0: ?? 0x74\n1: ?? 0xc8\n2: OP_Pop\n"},
        {{OP_PushInt, 1, 2}, "0: OP_PushInt <truncated>\n"},
        {{OP_Call, 1, 2, 3}, "0: OP_Call <truncated>\n"},
        {{OP_Pop, OP_LoadLocal}, "0: OP_Pop\n1: OP_LoadLocal <truncated>\n"},
        // Counts that claim more entries than there are bytes.
        {{OP_Switch, 0xFF, 0xFF, 0, 0, 0, 0}, "0: OP_Switch <truncated>\n"},
        {{OP_Switch, 0x01, 0x00, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0}, "0: OP_Switch <truncated>\n"},
        {{OP_Wait, 0x01}, "0: OP_Wait <truncated>\n"},
        {{OP_Wait, 0x01, 0x00, 1, 0, 2, 0}, "0: OP_Wait <truncated>\n"},
        {{OP_Wait, 0x00, 0x80, OP_Pop}, "0: OP_Wait 32768 <count above 32767>\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(List(c.code), c.listing);
}

TEST(Disassembler, DecodeReportsLengths)
{
    const std::vector<uint8_t> code = {OP_Switch, 1, 0, 9, 0, 0, 0, 15, 0, 0, 0, 16, 0, 0, 0, OP_Return, OP_Return};
    DecodedInstruction instruction;
    ASSERT_TRUE(DecodeInstruction(code.data(), static_cast<uint32_t>(code.size()), 0, &instruction));
    EXPECT_EQ(instruction.length, 2u + 8u + 4u + 1u);
    EXPECT_EQ(SwitchCase(instruction, 0), 9);
    EXPECT_EQ(SwitchTarget(instruction, 0), 15);
    EXPECT_EQ(SwitchDefault(instruction), 16);
    EXPECT_FALSE(DecodeInstruction(code.data(), static_cast<uint32_t>(code.size()), 17, &instruction));
    EXPECT_FALSE(DecodeInstruction(nullptr, 0, 0, &instruction));
}

}  // namespace
