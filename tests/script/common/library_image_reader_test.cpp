// The library image reader on hand-built images: what it reads from a sound
// image, and how it refuses damaged ones.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "script/common/library_image_format.h"
#include "script/common/library_image_reader.h"

namespace {

using GSImage::ImageError;
using GSImage::ImageFault;
using GSImage::LibraryImage;

// Builds an image word by word and remembers where named fields stand.
class ImageBuilder {
public:
    void Word(uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(uint8_t(value >> (8 * i)));
    }
    void Mark(const std::string& name) { marks[name] = bytes.size(); }
    void Field(const std::string& name, uint32_t value)
    {
        Mark(name);
        Word(value);
    }
    void Text(const char* text, size_t length) { bytes.insert(bytes.end(), text, text + length); }
    size_t Begin(const std::string& name, uint32_t id)
    {
        const size_t start = bytes.size();
        Field(name + ".size", 0);
        Field(name + ".id", id);
        return start;
    }
    void End(size_t start)
    {
        const uint32_t size = uint32_t(bytes.size() - start);
        std::memcpy(bytes.data() + start, &size, 4);  // tests run on little-endian hosts only
    }

    std::vector<uint8_t> bytes;
    std::map<std::string, size_t> marks;
};

// One class "A" with member "x", one function "$int@A::f(int)" with a line
// table, and its initializer "::A()".
ImageBuilder SmallImage()
{
    ImageBuilder b;
    b.Field("total", 0);
    b.Field("magic", GSImage::kMagic);
    b.Field("version", GSImage::kVersionBits);
    b.Field("sourceCrc", 0x11111111);
    b.Field("nameCrc", 0x22222222);
    b.Field("nameLength", 4);
    b.Mark("name");
    b.Text("abc", 4);  // with its NUL
    size_t s = b.Begin("deps", 2);
    b.Field("deps.count", 1);
    b.Word(0x11111111);
    b.Word(0x22222222);
    b.End(s);
    s = b.Begin("strings", 3);
    const char pool[] = "A\0::A()\0$int@A::f(int)\0x\0";
    b.Field("strings.count", 4);
    b.Field("offset0", 0);
    b.Field("offset1", 2);
    b.Field("offset2", 8);
    b.Field("offset3", 23);
    b.Mark("pool");
    b.Text(pool, sizeof pool - 1);
    while (b.bytes.size() % 4 != 0)
        b.bytes.push_back(0);
    b.End(s);
    s = b.Begin("classRefs", 4);
    b.Field("classRefs.count", 1);
    b.Field("classRef.dependency", 0);
    b.Field("classRef.name", 0);
    b.End(s);
    s = b.Begin("functionRefs", 5);
    b.Field("functionRefs.count", 1);
    b.Field("functionRef.class", 0);
    b.Field("functionRef.name", 2);
    b.Field("functionRef.slot", 0);
    b.End(s);
    s = b.Begin("classes", 6);
    b.Field("classes.count", 1);
    const size_t cls = b.Begin("class", 7);
    b.Field("class.name", 0);
    b.Field("class.flags", 0);
    b.Field("class.bases", 0);
    const size_t table = b.Begin("functions", 8);
    b.Field("functions.count", 2);
    const size_t f = b.Begin("f", 9);
    b.Field("f.name", 2);
    b.Field("f.returnType", 2);
    b.Field("f.returnClass", GSImage::kNone);
    b.Field("f.flags", 1);
    b.Field("f.slot", 0);
    b.Field("f.stackAdvance", 5);  // L = 1 declared local
    b.Field("f.argumentBase", uint32_t(-1));
    b.Field("f.frameOffset", 2);
    b.Field("f.stackNeed", 7);
    b.Field("f.argumentWords", 2);
    b.Field("f.locals0", 1);
    b.Field("f.locals1", 0);
    b.Field("f.referenceLocals", 1);
    b.Field("f.referenceLocal0", 2);
    b.Field("f.codeLength", 3);
    b.Mark("f.code");
    b.Text("\x1f\x01\x00", 3);
    b.bytes.push_back(0xFF);
    b.Field("f.lineMagic", GSImage::kLineTableMagic);
    b.Field("f.lineCount", 1);
    b.Field("f.linePosition", 0);
    b.Field("f.line", 7);
    b.End(f);
    const size_t init = b.Begin("init", 9);
    for (uint32_t word : {1u, 0u, GSImage::kNone, 0x20u, GSImage::kNone, 4u, 0u, 1u, 4u, 1u, 0u, 0u, 0u})
        b.Word(word);
    b.Field("init.codeLength", 0);
    b.End(init);
    b.End(table);
    const size_t members = b.Begin("members", 10);
    b.Field("members.count", 1);
    b.Field("member.name", 3);
    b.Field("member.type", 2);
    b.Field("member.class", GSImage::kNone);
    b.Field("member.public", 1);
    b.Field("member.slot", 2);
    b.End(members);
    const size_t methods = b.Begin("methods", 11);
    b.Field("methods.count", 1);
    b.Field("method.function", 0);
    b.Field("method.offset", 0);
    b.End(methods);
    const size_t layout = b.Begin("layout", 12);
    b.Field("layout.instanceSize", 6);
    b.Field("layout.count", 1);
    b.Field("layout.kind", 1);
    b.Field("layout.word", 1);
    b.Field("layout.value", 0);
    b.Field("layout.referenceSlots", 1);
    b.Field("layout.referenceSlot0", 2);
    b.End(layout);
    b.End(cls);
    b.End(s);
    b.End(0);
    return b;
}

bool Read(const std::vector<uint8_t>& bytes, LibraryImage* image, ImageError* error)
{
    return GSImage::ReadLibraryImage(bytes.data(), bytes.size(), image, error);
}

TEST(LibraryImageReader, ProbeReadsOnlyTheFirstTwentyBytes)
{
    const std::vector<uint8_t> bytes = SmallImage().bytes;
    GSImage::LibraryHeader header;
    EXPECT_TRUE(GSImage::ProbeLibraryHeader(bytes.data(), 20, &header));
    EXPECT_EQ(header.sourceCrc, 0x11111111u);
    EXPECT_EQ(header.fileNameCrc, 0x22222222u);
    EXPECT_FALSE(GSImage::ProbeLibraryHeader(bytes.data(), 19, &header));
    std::vector<uint8_t> wrong = bytes;
    wrong[4] ^= 1;
    EXPECT_FALSE(GSImage::ProbeLibraryHeader(wrong.data(), wrong.size(), &header));
}

TEST(LibraryImageReader, ReadsEveryPartOfASoundImage)
{
    const std::vector<uint8_t> bytes = SmallImage().bytes;
    LibraryImage image;
    ImageError error;
    ASSERT_TRUE(Read(bytes, &image, &error)) << GSImage::ImageFaultText(error.fault) << " at " << error.offset;
    EXPECT_EQ(image.name, "abc");
    ASSERT_EQ(image.dependencies.size(), 1u);
    EXPECT_EQ(image.strings, (std::vector<std::string_view>{"A", "::A()", "$int@A::f(int)", "x"}));
    ASSERT_EQ(image.classReferences.size(), 1u);
    ASSERT_EQ(image.functionReferences.size(), 1u);
    ASSERT_EQ(image.classes.size(), 1u);
    const GSImage::ClassRecord& cls = image.classes[0];
    ASSERT_EQ(cls.functions.size(), 2u);
    const GSImage::FunctionRecord& f = cls.functions[0];
    EXPECT_EQ(image.String(f.name), "$int@A::f(int)");
    EXPECT_EQ(f.referenceLocals.ToVector(), std::vector<uint32_t>{2});
    EXPECT_EQ(std::vector<uint8_t>(f.code, f.code + f.codeLength), (std::vector<uint8_t>{0x1f, 1, 0}));
    ASSERT_TRUE(f.hasLineTable);
    ASSERT_EQ(f.lines.size(), 1u);
    EXPECT_EQ(f.lines[0].line, 7u);
    EXPECT_EQ(cls.functions[1].codeLength, 0u);
    EXPECT_FALSE(cls.functions[1].hasLineTable);
    ASSERT_EQ(cls.members.size(), 1u);
    EXPECT_EQ(cls.members[0].slot, 2);
    ASSERT_EQ(cls.methods.size(), 1u);
    EXPECT_EQ(cls.instanceSize, 6u);
    EXPECT_EQ(cls.referenceSlots.ToVector(), std::vector<uint32_t>{2});
}

TEST(LibraryImageReader, TolerantWhereTheFormatIsOptional)
{
    struct Case {
        const char* what;
        const char* field;
        uint32_t value;
    };
    // The total length and the version are never checked; a missing line-table
    // magic ends the function record quietly.
    const Case cases[] = {
        {"any total length", "total", 7},
        {"any version", "version", 0},
        {"no line-table magic", "f.lineMagic", 0x64626700},
    };
    for (const Case& c : cases) {
        ImageBuilder b = SmallImage();
        std::memcpy(b.bytes.data() + b.marks.at(c.field), &c.value, 4);
        LibraryImage image;
        ImageError error;
        EXPECT_TRUE(Read(b.bytes, &image, &error)) << c.what << ": " << GSImage::ImageFaultText(error.fault);
    }
}

TEST(LibraryImageReader, RefusesDamagedFields)
{
    struct Case {
        const char* field;
        uint32_t value;
        ImageFault fault;
    };
    const Case cases[] = {
        {"magic", 0xF762575C, ImageFault::BadMagic},
        {"nameLength", 0, ImageFault::Truncated},
        {"nameLength", 0x7FFFFFFF, ImageFault::Truncated},
        {"nameLength", 3, ImageFault::BadString},  // the name must end on its NUL
        {"deps.id", 3, ImageFault::BadId},
        {"deps.size", 8, ImageFault::BadSize},
        {"deps.size", 0xFFFFFFF0, ImageFault::Truncated},
        {"deps.count", 0x20000000, ImageFault::BadCount},
        {"strings.count", 0xFFFFFFFF, ImageFault::BadCount},
        {"offset1", 0x1000, ImageFault::BadString},
        {"offset0", 28, ImageFault::BadString},  // just past the pool and its padding
        {"classRef.dependency", 1, ImageFault::BadIndex},
        {"classRef.name", 4, ImageFault::BadIndex},
        {"functionRef.class", 1, ImageFault::BadIndex},
        {"classes.count", 2, ImageFault::Truncated},
        {"classes.count", 100, ImageFault::BadCount},
        {"class.id", 8, ImageFault::BadId},
        {"class.bases", 1000, ImageFault::BadCount},
        {"class.name", 9, ImageFault::BadIndex},
        {"functions.count", 100, ImageFault::BadCount},
        {"functions.count", 0, ImageFault::BadCount},  // not even the initializer
        {"f.size", 60, ImageFault::BadSize},
        {"f.size", 4000, ImageFault::Truncated},
        {"f.id", 10, ImageFault::BadId},
        {"f.referenceLocals", 0x40000000, ImageFault::BadCount},
        {"f.referenceLocal0", 3, ImageFault::BadIndex},  // A + L = 3 slots
        {"f.codeLength", 0xFFFFFFFD, ImageFault::BadCount},
        {"f.lineCount", 2, ImageFault::BadCount},
        {"f.argumentBase", 0, ImageFault::BadFrame},
        {"f.stackAdvance", 4, ImageFault::BadFrame},
        {"f.stackNeed", 4, ImageFault::BadFrame},
        {"f.locals1", 1, ImageFault::BadFrame},
        {"f.argumentWords", 0, ImageFault::BadFrame},
        {"f.returnClass", 1, ImageFault::BadIndex},
        {"f.slot", 1, ImageFault::BadIndex},
        {"f.name", 4, ImageFault::BadIndex},
        {"members.count", 2, ImageFault::BadCount},
        {"member.slot", 6, ImageFault::BadIndex},
        {"member.class", 1, ImageFault::BadIndex},
        {"methods.count", 2, ImageFault::BadCount},
        {"method.function", 1, ImageFault::BadIndex},
        {"method.offset", 6, ImageFault::BadIndex},
        {"layout.id", 11, ImageFault::BadId},
        {"layout.instanceSize", 0x10000000, ImageFault::BadSize},
        {"layout.count", 3, ImageFault::BadCount},
        {"layout.kind", 2, ImageFault::BadIndex},
        {"layout.word", 6, ImageFault::BadIndex},
        {"layout.value", 2, ImageFault::BadIndex},
        {"layout.referenceSlots", 2, ImageFault::BadCount},
        {"layout.referenceSlot0", 6, ImageFault::BadIndex},
    };
    for (const Case& c : cases) {
        ImageBuilder b = SmallImage();
        std::memcpy(b.bytes.data() + b.marks.at(c.field), &c.value, 4);
        LibraryImage image;
        ImageError error;
        EXPECT_FALSE(Read(b.bytes, &image, &error)) << c.field << " = " << c.value;
        EXPECT_EQ(error.fault, c.fault) << c.field << " = " << c.value << ": " << GSImage::ImageFaultText(error.fault);
        EXPECT_LE(error.offset, b.bytes.size()) << c.field;
        EXPECT_TRUE(image.classes.empty() && image.strings.empty()) << "nothing usable is left behind";
    }
}

// The loader names the class record that failed ("Unable to initialise
// class"): the error says which record and, once its name was read, the name.
TEST(LibraryImageReader, AFaultInAClassRecordNamesTheClass)
{
    struct Case {
        const char* field;
        uint32_t value;
        int32_t classIndex;
        const char* className;
    };
    const Case cases[] = {
        {"functions.count", 100, 0, "A"},  // read while the record is read
        {"f.slot", 1, 0, "A"},             // found by the checks after reading
        {"class.id", 8, 0, ""},            // before the name
        {"class.name", 9, 0, ""},          // a name outside the pool
        {"classRef.name", 4, -1, ""},      // outside any class record
    };
    for (const Case& c : cases) {
        ImageBuilder b = SmallImage();
        std::memcpy(b.bytes.data() + b.marks.at(c.field), &c.value, 4);
        LibraryImage image;
        ImageError error;
        ASSERT_FALSE(Read(b.bytes, &image, &error)) << c.field;
        EXPECT_EQ(error.classIndex, c.classIndex) << c.field;
        EXPECT_EQ(error.className, c.className) << c.field;
    }
}

TEST(LibraryImageReader, ContinuesAtTheRecordSizeWhateverItUnderstood)
{
    // A function record that runs on past its line table: the reader goes on
    // at start + size, so the initializer is still found.
    ImageBuilder b = SmallImage();
    const size_t pad = b.marks.at("f.line") + 4;
    b.bytes.insert(b.bytes.begin() + pad, {0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF, 0x11, 0x22});
    for (const char* size : {"total", "classes.size", "class.size", "functions.size", "f.size"}) {
        uint32_t value;
        std::memcpy(&value, b.bytes.data() + b.marks.at(size), 4);
        value += 8;
        std::memcpy(b.bytes.data() + b.marks.at(size), &value, 4);
    }
    LibraryImage image;
    ImageError error;
    ASSERT_TRUE(Read(b.bytes, &image, &error)) << GSImage::ImageFaultText(error.fault) << " at " << error.offset;
    ASSERT_EQ(image.classes.at(0).functions.size(), 2u);
    EXPECT_EQ(image.String(image.classes[0].functions[1].name), "::A()");
}

TEST(LibraryImageReader, EveryTruncationAndByteChangeFailsCleanly)
{
    const std::vector<uint8_t> bytes = SmallImage().bytes;
    for (size_t length = 0; length < bytes.size(); ++length) {
        // Exactly the prefix, in its own allocation, so a read past it is seen.
        std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + length);
        LibraryImage image;
        ImageError error;
        EXPECT_FALSE(GSImage::ReadLibraryImage(prefix.data(), prefix.size(), &image, &error)) << "length " << length;
        EXPECT_NE(error.fault, ImageFault::None);
    }
    for (size_t at = 0; at < bytes.size(); ++at) {
        for (uint8_t value : {uint8_t(0x00), uint8_t(0x01), uint8_t(0x80), uint8_t(0xFF)}) {
            std::vector<uint8_t> changed = bytes;
            changed[at] = value;
            LibraryImage image;
            ImageError error;
            if (!Read(changed, &image, &error)) {
                EXPECT_NE(error.fault, ImageFault::None);
            }
        }
    }
}

}  // namespace
