// Written images read back: everything the writer put in comes out of the
// reader, and damaged copies of a real image are refused without harm.
#include <gtest/gtest.h>

#include "library_image_helpers.h"
#include "script/common/library_image_reader.h"
#include "script/compiler/library_strings.h"

namespace {

using image_test::HandCompilation;

const char* const kSource =
    "class B1 { public int a; public void f1() {} public void f2() {} };\n"
    "class B2 { public void g() {} };\n"
    "class C isclass B1, B2 { int c; string s; public B1 h(string t) { return null; } public void f1() {} };\n";

// C with code, lines, reference locals and members, and an initializer.
void FillHolders(HandCompilation* compilation)
{
    GSCompiler::GSCClass* cls = compilation->AddClass("C");
    GSCompiler::GSCFunction* h = compilation->AddFunction(cls, "::h(string)", {10, 111}, 1);
    h->referenceLocals.WriteU32(1);
    h->referenceLocalCount = 1;
    h->lines.Append({0, 3});
    h->temporaryCount = 2;
    GSCompiler::GSCFunction* f1 = compilation->AddFunction(cls, "::f1()", {32, 0, 0, 94, 0, 0, 0, 0, 109}, 1);
    f1->lines.Append({0, 3});
    f1->lines.Append({8, 4});
    cls->referenceMembers.WriteU32(8);
    cls->referenceMemberCount = 1;
    cls->initializer.code.WriteBytes("\x0b\x69\x07\x00\x6d", 5);
    cls->initializer.maxDepth = 1;
}

TEST(LibraryImageRoundTrip, ReaderGivesBackWhatTheWriterWrote)
{
    HandCompilation compilation(kSource);
    ASSERT_EQ(compilation.errors, 0) << ::testing::PrintToString(compilation.LogLines());
    FillHolders(&compilation);
    const std::vector<uint8_t> bytes = compilation.Write("rt.gs");
    ASSERT_TRUE(compilation.written) << ::testing::PrintToString(compilation.LogLines());
    GSImage::LibraryImage image;
    GSImage::ImageError error;
    ASSERT_TRUE(GSImage::ReadLibraryImage(bytes.data(), bytes.size(), &image, &error))
        << GSImage::ImageFaultText(error.fault) << " at " << error.offset;

    GSCompiler::GSSymbolTable& context = compilation.Context();
    EXPECT_EQ(image.name, "rt.gs");
    EXPECT_EQ(image.header.totalLength, bytes.size());
    EXPECT_EQ(image.header.sourceCrc, compilation.front.MainUnit().sourceCrc);
    ASSERT_EQ(image.strings.size(), context.libraryStrings.Count());
    for (uint32_t i = 0; i < image.strings.size(); ++i) {
        EXPECT_EQ(GSCompiler::InternString(std::string(image.strings[i]).c_str(), &context), int32_t(i))
            << "string " << i;
    }
    ASSERT_EQ(image.classReferences.size(), size_t(context.classReferenceCounter));
    for (size_t i = 0; i < image.classReferences.size(); ++i) {
        GSCompiler::GSSymbol* cls =
            context.FindGlobal(std::string(image.String(image.classReferences[i].name)).c_str());
        ASSERT_NE(cls, nullptr);
        EXPECT_EQ(cls->referenceIndex, int32_t(i));
    }
    ASSERT_EQ(image.functionReferences.size(), size_t(context.functionReferenceCounter));

    const GSImage::ClassRecord& cls = image.classes.at(0);
    ASSERT_EQ(cls.functions.size(), 3u);
    const GSImage::FunctionRecord& h = cls.functions[0];
    EXPECT_EQ(image.String(h.name), "$B1@C::h(string)");
    EXPECT_EQ(h.returnType, 5u);
    EXPECT_EQ(image.String(image.classReferences.at(size_t(h.returnClass)).name), "B1");
    EXPECT_EQ(h.flags, 1u);
    EXPECT_EQ(h.argumentWords, 2);
    EXPECT_EQ(h.frameOffset, 3) << "two temporaries";
    EXPECT_EQ(h.localWords[0], 0u);
    EXPECT_EQ(h.localWords[1], 2u);
    EXPECT_EQ(h.stackNeed, 1 + 2 + 4);
    EXPECT_EQ(h.referenceLocals.ToVector(), std::vector<uint32_t>{1});
    EXPECT_EQ(std::vector<uint8_t>(h.code, h.code + h.codeLength), (std::vector<uint8_t>{10, 111}));
    const GSImage::FunctionRecord& f1 = cls.functions[1];
    ASSERT_EQ(f1.lines.size(), 2u);
    EXPECT_EQ(f1.lines[1].position, 8u);
    EXPECT_EQ(f1.lines[1].line, 4u);
    // The override of B1::f1 takes B1's slot 0 and keeps its own.
    EXPECT_EQ(image.String(image.functionReferences[cls.methods.at(0).functionReference].name), "$void@C::f1()");
    EXPECT_EQ(f1.slot, 4);
    ASSERT_EQ(cls.members.size(), 2u);
    EXPECT_EQ(cls.referenceSlots.ToVector(), std::vector<uint32_t>{8});
}

TEST(LibraryImageRoundTrip, DamagedCopiesAreRefusedOrReadSafely)
{
    HandCompilation compilation(kSource);
    ASSERT_EQ(compilation.errors, 0);
    FillHolders(&compilation);
    const std::vector<uint8_t> bytes = compilation.Write("rt.gs");
    ASSERT_TRUE(compilation.written);
    for (size_t length = 0; length < bytes.size(); ++length) {
        const std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + length);
        GSImage::LibraryImage image;
        GSImage::ImageError error;
        EXPECT_FALSE(GSImage::ReadLibraryImage(prefix.data(), prefix.size(), &image, &error)) << "length " << length;
    }
    size_t refused = 0;
    for (size_t at = 0; at < bytes.size(); ++at) {
        for (uint8_t flip : {uint8_t(0x01), uint8_t(0x80), uint8_t(0xFF)}) {
            std::vector<uint8_t> changed = bytes;
            changed[at] ^= flip;
            GSImage::LibraryImage image;
            GSImage::ImageError error;
            if (!GSImage::ReadLibraryImage(changed.data(), changed.size(), &image, &error)) {
                ++refused;
                continue;
            }
            // Whatever is accepted can be followed without leaving the tables.
            for (const GSImage::ClassRecord& cls : image.classes) {
                for (const GSImage::MethodSlot& slot : cls.methods) {
                    ASSERT_LT(image.functionReferences.at(slot.functionReference).name, image.strings.size());
                }
            }
        }
    }
    EXPECT_GT(refused, bytes.size()) << "most changes to sizes, ids and indices are caught";
}

}  // namespace
