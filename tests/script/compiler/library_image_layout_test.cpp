// Class layout in the written image: base blocks, method tables with
// overrides, instance layouts, initializer records, and the failures that
// must not produce an image.
#include <gtest/gtest.h>

#include "library_image_helpers.h"
#include "script/common/library_image_reader.h"

namespace {

using image_test::HandCompilation;

struct Written {
    std::vector<uint8_t> bytes;
    GSImage::LibraryImage image;
};

// Writes and reads back; the reader is checked separately against bytes.
bool WriteAndRead(HandCompilation* compilation, Written* written)
{
    written->bytes = compilation->Write();
    if (!compilation->written)
        return false;
    GSImage::ImageError error;
    const bool ok = GSImage::ReadLibraryImage(written->bytes.data(), written->bytes.size(), &written->image, &error);
    EXPECT_TRUE(ok) << GSImage::ImageFaultText(error.fault) << " at " << error.offset;
    return ok;
}

const GSImage::ClassRecord* ClassNamed(const GSImage::LibraryImage& image, std::string_view name)
{
    for (const GSImage::ClassRecord& cls : image.classes) {
        if (image.String(cls.name) == name)
            return &cls;
    }
    return nullptr;
}

// The signature of the function a method-table slot names.
std::string SlotSignature(const GSImage::LibraryImage& image, const GSImage::MethodSlot& slot)
{
    return std::string(image.String(image.functionReferences[slot.functionReference].name));
}

const char* const kTwoBases = "class B1 { public int a; public void f1() {} public void f2() {} };\n"
                              "class B2 { public void g() {} };\n"
                              "class C isclass B1, B2 { int c; public void h() {} };\n";

TEST(LibraryImageLayout, TwoDirectBasesGiveBlocksSlotsAndLayout)
{
    HandCompilation compilation(kTwoBases);
    ASSERT_EQ(compilation.errors, 0) << ::testing::PrintToString(compilation.LogLines());
    GSCompiler::GSCClass* c = compilation.AddClass("C");
    compilation.AddFunction(c, "::h()");
    Written written;
    ASSERT_TRUE(WriteAndRead(&compilation, &written));
    const GSImage::LibraryImage& image = written.image;
    const GSImage::ClassRecord* cls = ClassNamed(image, "C");
    ASSERT_NE(cls, nullptr);

    ASSERT_EQ(cls->bases.size(), 2u);
    EXPECT_EQ(image.String(image.classReferences[cls->bases[0].classReference].name), "B1");
    EXPECT_EQ(cls->bases[0].blockOffset, 2u);
    EXPECT_EQ(cls->bases[0].direct, 1u);
    EXPECT_EQ(image.String(image.classReferences[cls->bases[1].classReference].name), "B2");
    EXPECT_EQ(cls->bases[1].blockOffset, 5u);

    ASSERT_EQ(cls->members.size(), 1u);
    EXPECT_EQ(cls->members[0].slot, 7);
    EXPECT_EQ(cls->instanceSize, 11u);

    const std::vector<std::pair<std::string, uint32_t>> slots = {
        {"$void@B1::f1()", 2}, {"$void@B1::f2()", 2}, {"$void@B2::g()", 5}, {"$void@C::h()", 0}};
    ASSERT_EQ(cls->methods.size(), slots.size());
    for (size_t i = 0; i < slots.size(); ++i) {
        EXPECT_EQ(SlotSignature(image, cls->methods[i]), slots[i].first) << "slot " << i;
        EXPECT_EQ(cls->methods[i].blockOffset, slots[i].second) << "slot " << i;
    }
    const std::vector<std::array<uint32_t, 3>> layout = {
        {0, 2, uint32_t(-2)}, {1, 3, 0}, {0, 5, uint32_t(-5)}, {1, 6, 2}, {1, 1, 0}};
    ASSERT_EQ(cls->layout.size(), layout.size());
    for (size_t i = 0; i < layout.size(); ++i) {
        EXPECT_EQ((std::array<uint32_t, 3>{cls->layout[i].kind, cls->layout[i].word, cls->layout[i].value}), layout[i])
            << "entry " << i;
    }
    ASSERT_EQ(cls->functions.size(), 2u);
    EXPECT_EQ(cls->functions[0].slot, 3) << "own functions follow the bases' slots";
}

TEST(LibraryImageLayout, OverrideRedirectsTheSlotsOfBothBases)
{
    HandCompilation compilation("class B1 { public int a; public void f() {} public void g() {} };\n"
                                "class B2 { public void f() {} };\n"
                                "class C isclass B1, B2 { public void f() {} };\n");
    ASSERT_EQ(compilation.errors, 0) << ::testing::PrintToString(compilation.LogLines());
    compilation.AddFunction(compilation.AddClass("C"), "::f()");
    Written written;
    ASSERT_TRUE(WriteAndRead(&compilation, &written));
    const GSImage::ClassRecord* cls = ClassNamed(written.image, "C");
    ASSERT_NE(cls, nullptr);
    const std::vector<std::pair<std::string, uint32_t>> slots = {
        {"$void@C::f()", 0}, {"$void@B1::g()", 2}, {"$void@C::f()", 0}, {"$void@C::f()", 0}};
    ASSERT_EQ(cls->methods.size(), slots.size());
    for (size_t i = 0; i < slots.size(); ++i) {
        EXPECT_EQ(SlotSignature(written.image, cls->methods[i]), slots[i].first) << "slot " << i;
        EXPECT_EQ(cls->methods[i].blockOffset, slots[i].second) << "slot " << i;
    }
}

TEST(LibraryImageLayout, ClassWithoutBasesHasOnlyItsOwnBlock)
{
    HandCompilation compilation("class A { int x; string s; };\n");
    ASSERT_EQ(compilation.errors, 0);
    GSCompiler::GSCClass* a = compilation.AddClass("A");
    a->referenceMembers.WriteU32(3);
    a->referenceMemberCount = 1;
    Written written;
    ASSERT_TRUE(WriteAndRead(&compilation, &written));
    const GSImage::ClassRecord& cls = written.image.classes.at(0);
    EXPECT_EQ(cls.instanceSize, 2u + 5u);
    ASSERT_EQ(cls.layout.size(), 1u);
    EXPECT_EQ(cls.layout[0].kind, 1u);
    EXPECT_EQ(cls.layout[0].word, 1u);
    EXPECT_TRUE(cls.methods.empty());
    EXPECT_EQ(cls.referenceSlots.ToVector(), std::vector<uint32_t>{3});
}

TEST(LibraryImageLayout, OwnFunctionsStandInSlotOrderWhateverTheirHashOrder)
{
    // The member table gives the functions in hash order; the method table
    // lists them by slot, that is in declaration order.
    std::string source = "class A {";
    std::vector<std::string> expected;
    for (int f = 0; f < 40; ++f) {
        const std::string name = "f" + std::to_string((f * 17) % 40);
        source += " public void " + name + "() {}";
        expected.push_back("$void@A::" + name + "()");
    }
    source += " };\n";
    HandCompilation compilation(source);
    ASSERT_EQ(compilation.errors, 0) << ::testing::PrintToString(compilation.LogLines());
    compilation.AddClass("A");
    Written written;
    ASSERT_TRUE(WriteAndRead(&compilation, &written));
    std::vector<std::string> slots;
    for (const GSImage::MethodSlot& slot : written.image.classes.at(0).methods) {
        slots.push_back(SlotSignature(written.image, slot));
    }
    EXPECT_EQ(slots, expected);
}

TEST(LibraryImageLayout, MembersFollowTheMemberTableOrder)
{
    // 31 buckets by the text hash, chains in name order: mid (bucket 1), alpha
    // (7), then an and zeta sharing bucket 29; slots keep declaration order.
    HandCompilation compilation("class A { int zeta; int alpha; string mid; int an; define int K = 1; };\n");
    ASSERT_EQ(compilation.errors, 0);
    compilation.AddClass("A");
    Written written;
    ASSERT_TRUE(WriteAndRead(&compilation, &written));
    std::vector<std::string> members;
    for (const GSImage::MemberEntry& member : written.image.classes.at(0).members) {
        members.push_back(std::string(written.image.String(member.name)) + "@" + std::to_string(member.slot));
    }
    EXPECT_EQ(members, (std::vector<std::string>{"mid@4", "alpha@3", "an@5", "zeta@2"}));
}

TEST(LibraryImageLayout, InitializerRecordCarriesItsCodeAndLocals)
{
    struct Case {
        std::vector<uint8_t> code;
        int32_t locals;
        int32_t depth;
    };
    // An empty initializer has no code at all, not even a return.
    const Case cases[] = {{{}, 0, 0}, {{11, 105, 2, 0, 109}, 0, 1}, {{11, 33, 0, 0, 109}, 2, 3}};
    for (const Case& c : cases) {
        HandCompilation compilation("class A { int x = 1; };\n");
        ASSERT_EQ(compilation.errors, 0);
        GSCompiler::GSCClass* a = compilation.AddClass("A");
        if (!c.code.empty())
            a->initializer.code.WriteBytes(c.code.data(), c.code.size());
        a->initializer.maxDepth = c.depth;
        a->initializerLocalCount = c.locals;
        Written written;
        ASSERT_TRUE(WriteAndRead(&compilation, &written));
        const GSImage::FunctionRecord& init = written.image.classes.at(0).functions.at(0);
        EXPECT_EQ(written.image.String(init.name), "::A()");
        EXPECT_EQ(init.flags, 0x20u);
        EXPECT_EQ(init.slot, -1);
        EXPECT_EQ(init.argumentWords, 1);
        EXPECT_EQ(init.argumentBase, 0);
        EXPECT_EQ(init.stackAdvance, c.locals + 4);
        EXPECT_EQ(init.frameOffset, c.locals + 1);
        EXPECT_EQ(init.stackNeed, c.depth + c.locals + 4);
        EXPECT_EQ(init.localWords[0], 0u);
        EXPECT_EQ(init.localWords[1], uint32_t(c.locals));
        EXPECT_EQ(std::vector<uint8_t>(init.code, init.code + init.codeLength), c.code);
        EXPECT_FALSE(init.hasLineTable);
        const size_t end = init.codeOffset + init.codeLength;
        for (size_t at = end; at % 4 != 0; ++at)
            EXPECT_EQ(written.bytes[at], 0xFF) << "code padding";
    }
}

TEST(LibraryImageLayout, FaultsFailTheImage)
{
    struct Case {
        const char* what;
        const char* source;
        void (*spoil)(HandCompilation*, GSCompiler::GSCClass*);
        const char* logged;  // null: any log
    };
    const Case cases[] = {
        {"a return type that differs from the overridden function's",
         "class B { public int f() { return 1; } };\nclass C isclass B { public void f() {} };\n",
         [](HandCompilation* c, GSCompiler::GSCClass* cls) { c->AddFunction(cls, "::f()"); },
         "Wrong return type on function: $void@C::f()\n"},
        {"an own overload with another return type",
         "class C { public int f() { return 1; } public void f(int a) {} };\n",
         [](HandCompilation* c, GSCompiler::GSCClass* cls) {
             c->AddFunction(cls, "::f()", {30}, 1);
             c->AddFunction(cls, "::f(int)");
         },
         "Wrong return type on function: $void@C::f(int)\n"},
        {"an unbalanced operand stack", "class C { public void f() {} };\n",
         [](HandCompilation* c, GSCompiler::GSCClass* cls) {
             c->AddFunction(cls, "::f()", {11}, 1)->emitter.depth = 1;
         },
         nullptr},
        {"an unbalanced initializer", "class C { int x = 1; };\n",
         [](HandCompilation*, GSCompiler::GSCClass* cls) { cls->initializer.depth = 1; }, nullptr},
        {"a method slot beyond 16 bits", "class C { public void f() {} };\n",
         [](HandCompilation* c, GSCompiler::GSCClass* cls) { c->AddFunction(cls, "::f()")->symbol->index = 32768; },
         nullptr},
        {"a class reference without a class", "class C {};\n",
         [](HandCompilation* c, GSCompiler::GSCClass*) { c->Context().classReferenceCounter++; }, nullptr},
        {"a function reference without a function", "class C {};\n",
         [](HandCompilation* c, GSCompiler::GSCClass*) { c->Context().functionReferenceCounter++; }, nullptr},
        {"fewer reference members than counted", "class C { string s; };\n",
         [](HandCompilation*, GSCompiler::GSCClass* cls) { cls->referenceMemberCount = 1; }, nullptr},
    };
    for (const Case& c : cases) {
        HandCompilation compilation(c.source);
        ASSERT_EQ(compilation.errors, 0) << c.what << ::testing::PrintToString(compilation.LogLines());
        c.spoil(&compilation, compilation.AddClass("C"));
        EXPECT_TRUE(compilation.Write().empty()) << c.what;
        EXPECT_FALSE(compilation.written) << c.what;
        if (c.logged != nullptr) {
            EXPECT_EQ(compilation.LogLines(), std::vector<std::string>{c.logged}) << c.what;
        }
    }
}

TEST(LibraryImageLayout, BaseWithoutFunctionsIsStillListed)
{
    // B has no functions, so nothing in the front end numbers it; the image
    // must still list it because M's base entries name it. c.gs was entered
    // before the b.gs it includes.
    HandCompilation compilation(
        "include \"c.gs\"\nclass M isclass C {};\n",
        {{"b.gs", "class B {};\n"}, {"c.gs", "include \"b.gs\"\nclass C isclass B { public void f() {} };\n"}});
    ASSERT_EQ(compilation.errors, 0) << ::testing::PrintToString(compilation.LogLines());
    compilation.AddClass("M");
    Written written;
    ASSERT_TRUE(WriteAndRead(&compilation, &written));
    const GSImage::LibraryImage& image = written.image;
    const GSImage::ClassRecord* m = ClassNamed(image, "M");
    ASSERT_NE(m, nullptr);
    std::vector<std::string> bases;
    for (const GSImage::BaseEntry& base : m->bases) {
        const GSImage::ClassReference& reference = image.classReferences.at(base.classReference);
        bases.push_back(std::string(image.String(reference.name)) + "@" + std::to_string(reference.dependency));
    }
    EXPECT_EQ(bases, (std::vector<std::string>{"C@1", "B@2"}));
}

}  // namespace
