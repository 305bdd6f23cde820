// The written library image, checked word by word against its layout.
#include <gtest/gtest.h>

#include <cstring>

#include "foundation/base/crc32.h"
#include "library_image_helpers.h"
#include "script/common/library_image_format.h"
#include "script/compiler/library_image_sections.h"
#include "script/compiler/library_strings.h"

namespace {

using image_test::HandCompilation;
using image_test::WordAt;
using image_test::WordsAt;

constexpr uint32_t kNone = 0xFFFFFFFF;

const char* const kPoint = "class Pt {\n"
                           "  public int x;\n"
                           "  define int K = 3;\n"
                           "  void Move(int dx) { x = x + dx; }\n"
                           "};\n";

struct Field {
    size_t at;
    uint32_t value;
    const char* what;
};

TEST(LibraryImageWriter, SmallClassMatchesTheLayoutWordByWord)
{
    HandCompilation compilation(kPoint);
    ASSERT_EQ(compilation.errors, 0);
    GSCompiler::GSCClass* pt = compilation.AddClass("Pt");
    GSCompiler::GSCFunction* move = compilation.AddFunction(pt, "::Move(int)", {109}, 2);
    move->lines.Append({0, 4});
    // A four-character library name leaves section 2 unaligned at byte 29.
    const std::vector<uint8_t> image = compilation.Write("a.gs");
    ASSERT_TRUE(compilation.written);
    ASSERT_EQ(image.size(), 432u);
    ASSERT_EQ(std::memcmp(image.data() + 24, "a.gs", 5), 0);

    const GSCompiler::GSCompileUnit& unit = compilation.front.MainUnit();
    const Field fields[] = {
        {0, 432, "total length"},
        {4, 0xF762575D, "magic"},
        {8, 0x3F828F5C, "version 1.02"},
        {12, unit.sourceCrc, "source CRC"},
        {16, Crc32LowerCase("t.gs"), "file-name CRC"},
        {20, 5, "name length"},
        // Section 2: this library is its only dependency.
        {29, 20, "dependencies size"},
        {33, 2, "dependencies id"},
        {37, 1, "dependency count"},
        {41, unit.sourceCrc, "own source CRC"},
        {45, unit.fileNameCrc, "own file-name CRC"},
        // Section 3: offsets by intern order, strings in hash-bucket order.
        {49, 63, "pool size"},
        {53, 3, "pool id"},
        {57, 4, "string count"},
        {61, 27, "offset of Pt"},
        {65, 7, "offset of the signature"},
        {69, 0, "offset of ::Pt()"},
        {73, 30, "offset of x"},
        // Sections 4 and 5 start aligned.
        {112, 20, "class refs size"},
        {116, 4, "class refs id"},
        {120, 1, "class ref count"},
        {124, 0, "Pt's library"},
        {128, 0, "Pt's name"},
        {132, 24, "function refs size"},
        {136, 5, "function refs id"},
        {140, 1, "function ref count"},
        {144, 0, "Move's class"},
        {148, 1, "Move's signature"},
        {152, 0, "Move's slot"},
        {156, 276, "classes size"},
        {160, 6, "classes id"},
        {164, 1, "class count"},
        {168, 264, "class record size"},
        {172, 7, "class id"},
        {176, 0, "class name"},
        {180, 0, "class flags"},
        {184, 0, "base count"},
        {188, 160, "function table size"},
        {192, 8, "function table id"},
        {196, 2, "functions + initializer"},
        {200, 84, "Move size"},
        {204, 9, "Move id"},
        {208, 1, "Move name"},
        {212, 0, "returns void"},
        {216, kNone, "no return class"},
        {220, 0, "Move flags"},
        {224, 0, "Move slot"},
        {228, 4, "stack advance L+4"},
        {232, uint32_t(-1), "argument base 1-A"},
        {236, 1, "frame offset L+1"},
        {240, 6, "stack need D+L+4"},
        {244, 2, "argument words"},
        {248, 0, "declared locals"},
        {252, 0, "temporaries"},
        {256, 0, "reference locals"},
        {260, 1, "code length"},
        {264, 0xFFFFFF6D, "return opcode and 0xFF padding"},
        {268, 0x6462676C, "lgbd"},
        {272, 1, "line count"},
        {276, 0, "line position"},
        {280, 4, "line"},
        {284, 64, "initializer size"},
        {288, 9, "initializer id"},
        {292, 2, "::Pt()"},
        {296, 0, "returns void"},
        {300, kNone, "no return class"},
        {304, 0x20, "constructor"},
        {308, kNone, "no slot"},
        {312, 4, "stack advance"},
        {316, 0, "argument base"},
        {320, 1, "frame offset"},
        {324, 4, "stack need"},
        {328, 1, "the object"},
        {332, 0, "declared locals"},
        {336, 0, "temporaries"},
        {340, 0, "reference locals"},
        {344, 0, "no code"},
        {348, 32, "member table size"},
        {352, 10, "member table id"},
        {356, 1, "members without the define"},
        {360, 3, "x"},
        {364, 2, "int"},
        {368, kNone, "no class"},
        {372, 1, "public"},
        {376, 2, "slot"},
        {380, 20, "method table size"},
        {384, 11, "method table id"},
        {388, 1, "slots"},
        {392, 0, "Move's reference"},
        {396, 0, "own block"},
        {400, 32, "layout size"},
        {404, 12, "layout id"},
        {408, 6, "instance size"},
        {412, 1, "layout entries"},
        {416, 1, "method-table pointer"},
        {420, 1, "at word 1"},
        {424, 0, "slot 0"},
        {428, 0, "reference slots"},
    };
    for (const Field& field : fields)
        EXPECT_EQ(WordAt(image, field.at), field.value) << field.what << " at " << field.at;
    const char pool[] = "::Pt()\0$void@Pt::Move(int)\0Pt\0x\0\0\0\0";
    EXPECT_EQ(std::memcmp(image.data() + 77, pool, sizeof pool - 1), 0);
}

TEST(LibraryImageWriter, EmptyStringPoolIsTwelveBytes)
{
    GSCompiler::GSSymbolTable context;
    Utils::ByteBuffer out;
    out.Init(64);
    out.WriteU8(0);  // an unaligned start: no padding without strings
    ASSERT_TRUE(GSCompiler::WriteStringPool(&context, &out));
    const std::vector<uint8_t> bytes = image_test::Bytes(out);
    ASSERT_EQ(bytes.size(), 13u);
    EXPECT_EQ(WordsAt(bytes, 1, 3), (std::vector<uint32_t>{12, 3, 0}));
}

TEST(LibraryImageWriter, StringPoolPadsToTheImagePosition)
{
    struct Case {
        size_t start;
        const char* text;
        size_t size;
    };
    // Pool contents: 16 bytes of header and offset, then the text and its NUL.
    const Case cases[] = {{0, "abc", 20}, {0, "abcd", 24}, {1, "abcd", 23}, {3, "a", 21}, {2, "", 18}};
    for (const Case& c : cases) {
        GSCompiler::GSSymbolTable context;
        ASSERT_EQ(GSCompiler::InternString(c.text, &context), 0);
        Utils::ByteBuffer out;
        out.Init(64);
        for (size_t i = 0; i < c.start; ++i)
            out.WriteU8(0xEE);
        ASSERT_TRUE(GSCompiler::WriteStringPool(&context, &out));
        EXPECT_EQ(out.Length() % 4, 0u) << c.text;
        EXPECT_EQ(WordAt(image_test::Bytes(out), c.start), c.size) << "start " << c.start << " text " << c.text;
    }
}

TEST(LibraryImageWriter, DependenciesStandAtTheirIndex)
{
    HandCompilation compilation(
        "include \"b.gs\"\ninclude \"c.gs\"\nclass M isclass C {};\n",
        {{"b.gs", "class B {};\n"}, {"c.gs", "include \"b.gs\"\nclass C isclass B { public void f() {} };\n"}});
    ASSERT_EQ(compilation.errors, 0) << ::testing::PrintToString(compilation.LogLines());
    compilation.AddClass("M");
    const std::vector<uint8_t> image = compilation.Write("m.gs");
    ASSERT_TRUE(compilation.written);
    const size_t section = 24 + 5;
    ASSERT_EQ(WordsAt(image, section, 3), (std::vector<uint32_t>{12 + 3 * 8, 2, 3}));
    EXPECT_EQ(WordAt(image, section + 16), Crc32LowerCase("t.gs")) << "entry 0 is the compiled source";
    EXPECT_EQ(WordAt(image, section + 24), Crc32LowerCase("b.gs")) << "b.gs was entered first";
    EXPECT_EQ(WordAt(image, section + 32), Crc32LowerCase("c.gs"));
}

}  // namespace
