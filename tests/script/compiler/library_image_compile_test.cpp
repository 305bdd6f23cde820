// Real sources through the front end, code generation and the image writer,
// read back by the image reader.
#include <gtest/gtest.h>

#include "library_image_helpers.h"
#include "script/common/disassembler.h"
#include "script/common/library_image_reader.h"
#include "script/compiler/code_generation.h"
#include "script/compiler/library_image_sections.h"

namespace {

struct CompiledImage {
    int frontErrors = -1;
    bool generated = false;
    bool written = false;
    std::vector<std::string> log;
    std::vector<uint8_t> bytes;
    GSImage::LibraryImage image;
    GSImage::ImageError error;
    bool read = false;
};

void Compile(const std::string& source, CompiledImage* out)
{
    GSCompileLog log;
    GSCompiler::FrontEnd front;
    out->frontErrors = front.CheckText("t.gs", source, &log);
    if (out->frontErrors == 0) {
        GSCompiler::GSGeneratorContext generator;
        out->generated = GSCompiler::GenerateCode(&generator, &front.Context());
    }
    if (out->generated) {
        Utils::ByteBuffer buffer;
        buffer.Init(512);
        out->written = GSCompiler::WriteLibraryImage(&front.Context(), &log, "t.gs", &buffer);
        if (out->written)
            out->bytes = image_test::Bytes(buffer);
    }
    for (uint32_t i = 0; i < log.LineCount(); ++i)
        out->log.push_back(log.Line(i));
    if (out->written)
        out->read = GSImage::ReadLibraryImage(out->bytes.data(), out->bytes.size(), &out->image, &out->error);
}

const GSImage::ClassRecord* ClassNamed(const GSImage::LibraryImage& image, std::string_view name)
{
    for (const GSImage::ClassRecord& cls : image.classes) {
        if (image.String(cls.name) == name)
            return &cls;
    }
    return nullptr;
}

const char* const kShapes =
    "class Message { public string major; };\n"
    "class Shape {\n"
    "  public int sides = 3;\n"
    "  public string label = \"shape\";\n"
    "  public int Area() { return 0; }\n"
    "  public string Name() { return label; }\n"
    "};\n"
    "class Named { public string title; public string Name() { return \"named\"; } };\n"
    "class Square isclass Shape, Named {\n"
    "  float edge = 2.0;\n"
    "  Message last;\n"
    "  public int Area() {\n"
    "    int i;\n"
    "    int total = 0;\n"
    "    for (i = 0; i < sides; i++) {\n"
    "      switch (i) { case 1: total = total + 2; break; default: total++; }\n"
    "    }\n"
    "    return total;\n"
    "  }\n"
    "  public string Name() { return \"square \" + sides; }\n"
    "  thread void Run() {\n"
    "    Message m;\n"
    "    wait() { on \"Ping\", \"\": { sides = 4; } on \"Stop\", \"\", m: { last = m; return; } }\n"
    "  }\n"
    "};\n";

TEST(LibraryImageCompile, ShapesCompileToAReadableImage)
{
    CompiledImage compiled;
    Compile(kShapes, &compiled);
    ASSERT_EQ(compiled.frontErrors, 0) << ::testing::PrintToString(compiled.log);
    ASSERT_TRUE(compiled.generated) << ::testing::PrintToString(compiled.log);
    ASSERT_TRUE(compiled.written) << ::testing::PrintToString(compiled.log);
    ASSERT_TRUE(compiled.read) << GSImage::ImageFaultText(compiled.error.fault) << " at " << compiled.error.offset;
    const GSImage::LibraryImage& image = compiled.image;

    std::vector<std::string> classes;
    for (const GSImage::ClassRecord& cls : image.classes)
        classes.push_back(std::string(image.String(cls.name)));
    EXPECT_EQ(classes, (std::vector<std::string>{"Message", "Shape", "Named", "Square"})) << "declaration order";

    const GSImage::ClassRecord* square = ClassNamed(image, "Square");
    ASSERT_NE(square, nullptr);
    EXPECT_EQ(square->flags, 0x40u) << "a thread function makes a game class";
    EXPECT_EQ(square->instanceSize, 9u + 2u + 3u);
    std::vector<std::string> slots;
    for (const GSImage::MethodSlot& slot : square->methods) {
        slots.push_back(std::string(image.String(image.functionReferences[slot.functionReference].name)) + "@" +
                        std::to_string(slot.blockOffset));
    }
    EXPECT_EQ(slots,
              (std::vector<std::string>{"$int@Square::Area()@0", "$string@Square::Name()@0", "$string@Square::Name()@0",
                                        "$int@Square::Area()@0", "$string@Square::Name()@0", "$void@Square::Run()@0"}));

    for (const GSImage::ClassRecord& cls : image.classes) {
        for (const GSImage::FunctionRecord& function : cls.functions) {
            const std::string listing = Disassemble(function.code, function.codeLength);
            EXPECT_EQ(listing.find("??"), std::string::npos) << image.String(function.name) << "\n" << listing;
            EXPECT_EQ(listing.find("<truncated>"), std::string::npos) << image.String(function.name) << "\n" << listing;
            for (uint32_t at = 0; at < function.codeLength;) {
                DecodedInstruction instruction;
                ASSERT_TRUE(DecodeInstruction(function.code, function.codeLength, at, &instruction));
                if (instruction.info != nullptr && std::string(instruction.info->name) == "OP_PushString") {
                    EXPECT_LT(uint32_t(instruction.first), image.strings.size());
                }
                at += instruction.length;
            }
        }
        // The initializer ends in a return exactly when it has code.
        const GSImage::FunctionRecord& init = cls.functions.back();
        EXPECT_EQ(image.String(init.name), "::" + std::string(image.String(cls.name)) + "()");
        if (init.codeLength != 0) {
            EXPECT_EQ(init.code[init.codeLength - 1], 109) << image.String(cls.name);
        }
    }
    EXPECT_EQ(ClassNamed(image, "Message")->functions.back().codeLength, 0u);
    EXPECT_NE(ClassNamed(image, "Shape")->functions.back().codeLength, 0u);
}

TEST(LibraryImageCompile, ReferenceNumberingIsStable)
{
    // Sections 4 and 5 of a fixed source: indices follow first mention, in the
    // semantic pass, then code generation, then the writer.
    CompiledImage compiled;
    Compile(kShapes, &compiled);
    ASSERT_TRUE(compiled.read) << ::testing::PrintToString(compiled.log);
    const GSImage::LibraryImage& image = compiled.image;
    std::vector<std::string> classReferences;
    for (const GSImage::ClassReference& c : image.classReferences) {
        classReferences.push_back(std::string(image.String(c.name)) + "@" + std::to_string(c.dependency));
    }
    std::vector<std::string> functionReferences;
    for (const GSImage::FunctionReference& f : image.functionReferences) {
        functionReferences.push_back(std::string(image.String(f.name)) + " of " +
                                     std::string(image.String(image.classReferences[f.classReference].name)) +
                                     " slot " + std::to_string(f.slot));
    }
    // Square's bases are resolved first (Shape and its functions in member-table
    // order, then Named), then the member type Message; Square itself and its
    // own functions come from code generation.
    EXPECT_EQ(classReferences, (std::vector<std::string>{"Shape@0", "Named@0", "Message@0", "Square@0"}));
    EXPECT_EQ(
        functionReferences,
        (std::vector<std::string>{"$string@Shape::Name() of Shape slot 1", "$int@Shape::Area() of Shape slot 0",
                                  "$string@Named::Name() of Named slot 0", "$int@Square::Area() of Square slot 3",
                                  "$string@Square::Name() of Square slot 4", "$void@Square::Run() of Square slot 5"}));
}

// What numbering the references gathers for the class records is used by
// the next write only: writing again gives the same bytes, and class records
// written without a numbering first gather it all again.
TEST(LibraryImageCompile, WritingAgainGivesTheSameBytes)
{
    GSCompileLog log;
    GSCompiler::FrontEnd front;
    ASSERT_EQ(front.CheckText("t.gs", kShapes, &log), 0);
    GSCompiler::GSGeneratorContext generator;
    ASSERT_TRUE(GSCompiler::GenerateCode(&generator, &front.Context()));
    std::vector<std::vector<uint8_t>> images;
    for (int i = 0; i < 2; ++i) {
        Utils::ByteBuffer buffer;
        buffer.Init(512);
        ASSERT_TRUE(GSCompiler::WriteLibraryImage(&front.Context(), &log, "t.gs", &buffer));
        images.push_back(image_test::Bytes(buffer));
    }
    EXPECT_EQ(images[0], images[1]);

    std::vector<std::vector<uint8_t>> classes;
    GSCompiler::NumberReferences(&front.Context());
    for (int i = 0; i < 2; ++i) {
        Utils::ByteBuffer buffer;
        buffer.Init(512);
        ASSERT_TRUE(GSCompiler::WriteClassDefinitions(&front.Context(), &log, &buffer));
        classes.push_back(image_test::Bytes(buffer));
    }
    EXPECT_EQ(classes[0], classes[1]);
    EXPECT_EQ(log.LineCount(), 0u);
}

TEST(LibraryImageCompile, OverrideWithAnotherReturnTypeFailsTheImage)
{
    CompiledImage compiled;
    Compile("class B { public int f() { return 1; } };\nclass C isclass B { public void f() {} };\n", &compiled);
    ASSERT_EQ(compiled.frontErrors, 0) << ::testing::PrintToString(compiled.log);
    ASSERT_TRUE(compiled.generated) << ::testing::PrintToString(compiled.log);
    EXPECT_FALSE(compiled.written);
    EXPECT_EQ(compiled.log, std::vector<std::string>{"Wrong return type on function: $void@C::f()\n"});
}

// Each named class's method table, slot by slot, as the names of the
// functions the slots reach.
void ExpectMethodTables(const GSImage::LibraryImage& image,
                        const std::vector<std::pair<const char*, std::vector<std::string>>>& tables)
{
    for (const auto& [name, slots] : tables) {
        const GSImage::ClassRecord* cls = ClassNamed(image, name);
        ASSERT_NE(cls, nullptr) << name;
        std::vector<std::string> got;
        for (const GSImage::MethodSlot& slot : cls->methods) {
            got.emplace_back(image.String(image.functionReferences[slot.functionReference].name));
        }
        EXPECT_EQ(got, slots) << name;
    }
}

// A static class cannot be extended and its one object is of the class
// itself: overloads keep a slot each, whatever their result types, and a call
// reaches the overload it named.
TEST(LibraryImageCompile, StaticClassOverloadsKeepTheirOwnSlots)
{
    CompiledImage compiled;
    Compile("static class Math {\n"
            "  public native float Rand(float low, float high);\n"
            "  public native int Rand(int low, int high);\n"
            "};\n"
            "static class Router {\n"
            "  public native int Find(int id);\n"
            "  public native int Find(string name);\n"
            "};\n"
            "class User { public int I() { return Math.Rand(1, 2) + Router.Find(3); } };\n",
            &compiled);
    ASSERT_EQ(compiled.frontErrors, 0) << ::testing::PrintToString(compiled.log);
    ASSERT_TRUE(compiled.written) << ::testing::PrintToString(compiled.log);
    ASSERT_TRUE(compiled.read);
    const GSImage::LibraryImage& image = compiled.image;
    const std::vector<std::pair<const char*, std::vector<std::string>>> tables = {
        {"Math", {"$float@Math::Rand(float,float)", "$int@Math::Rand(int,int)"}},
        {"Router", {"$int@Router::Find(int)", "$int@Router::Find(string)"}},
    };
    ExpectMethodTables(image, tables);
    const GSImage::ClassRecord* user = ClassNamed(image, "User");
    ASSERT_NE(user, nullptr);
    const std::string code = Disassemble(user->functions[0].code, user->functions[0].codeLength);
    EXPECT_NE(code.find("OP_CallNative -2 1"), std::string::npos) << code;  // Rand(int,int)
    EXPECT_NE(code.find("OP_CallNative -1 0"), std::string::npos) << code;  // Find(int)
}

}  // namespace

namespace {

// Natives of one class under one name are bound each by its own signature:
// each keeps its slot, while a script function of that name still takes
// over every earlier one, and a derived class overrides them all by name.
TEST(LibraryImageCompile, NativeOverloadsOfOneClassKeepTheirOwnSlots)
{
    CompiledImage compiled;
    Compile("class Soup {\n"
            "  public native void Set(string name, string text);\n"
            "  public native void Set(string name, int value);\n"
            "  public void Get(int a) {}\n"
            "  public void Get(string a) {}\n"
            "};\n"
            "class Mine isclass Soup { public void Set(string name, float value) {} };\n",
            &compiled);
    ASSERT_EQ(compiled.frontErrors, 0) << ::testing::PrintToString(compiled.log);
    ASSERT_TRUE(compiled.written) << ::testing::PrintToString(compiled.log);
    ASSERT_TRUE(compiled.read);
    const GSImage::LibraryImage& image = compiled.image;
    const std::vector<std::pair<const char*, std::vector<std::string>>> tables = {
        {"Soup",
         {"$void@Soup::Set(string,string)", "$void@Soup::Set(string,int)", "$void@Soup::Get(string)",
          "$void@Soup::Get(string)"}},
        {"Mine",
         {"$void@Mine::Set(string,float)", "$void@Mine::Set(string,float)", "$void@Soup::Get(string)",
          "$void@Soup::Get(string)", "$void@Mine::Set(string,float)"}},
    };
    ExpectMethodTables(image, tables);
}

}  // namespace
