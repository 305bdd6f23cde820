// The chunk classes: lookups, the null chunk, swap, sort, converters and the deep copy.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "soup/acs_converter.h"
#include "soup/copy_chunk_tree.h"
#include "soup/soup_handle.h"
#include "soup/tdb_container_tag.h"
#include "soup_test_support.h"

namespace {

ChunkRef NewContainer()
{
    return ChunkRef::Adopt(new TDBContainerTag());
}

ChunkRef NewInt(int32_t value)
{
    return ChunkRef::Adopt(new TDBDataTag(SoupTypeInt, ACSRawDataCore::Copy(&value, 4)));
}

RawDataRef TextBlock(const char* text, bool withZero = true)
{
    return ACSRawDataCore::Copy(text, int32_t(std::strlen(text) + (withZero ? 1 : 0)));
}

std::string BlockText(const RawDataRef& block)
{
    if (!block)
        return "<none>";
    return std::string(reinterpret_cast<const char*>(block->Data()), size_t(block->Size()));
}

TEST(ChunkModel, MissingNamesGiveTheNullChunkNeverNull)
{
    ChunkRef container = NewContainer();
    ChunkRef value = NewInt(1);
    for (const ChunkRef& chunk : {container, value}) {
        ChunkRef found = chunk->GetNamedTag(Zel::PString("missing"));
        ASSERT_TRUE(found);
        EXPECT_EQ(found.Get(), ACSChunk::NullChunk());
        EXPECT_EQ(found->GetType(), SoupTypeNone);
        EXPECT_TRUE(IsAbsentChunk(found));
    }
}

TEST(ChunkModel, TwoEntriesOfOneNameGiveTheFirst)
{
    ChunkRef container = NewContainer();
    ChunkRef first = NewInt(1);
    container->AddNamedTag(Zel::PString("a"), first);
    container->AddNamedTag(Zel::PString("a"), NewInt(2));
    EXPECT_EQ(container->GetNamedTag(Zel::PString("a")).Get(), first.Get());
    EXPECT_EQ(container->CountTags(), 2);
}

TEST(ChunkModel, IndexedTagOutOfRangeGivesEmptyNameAndNullChunk)
{
    ChunkRef container = NewContainer();
    container->AddNamedTag(Zel::PString("a"), NewInt(1));
    Zel::PString name("x");
    ChunkRef chunk;
    EXPECT_FALSE(container->GetIndexedTag(1, name, chunk));
    EXPECT_TRUE(name.IsEmpty());
    EXPECT_EQ(chunk.Get(), ACSChunk::NullChunk());
    EXPECT_FALSE(container->GetIndexedTag(-1, name, chunk));
}

TEST(ChunkModel, SwapExchangesChunksAndKeepsNames)
{
    ChunkRef container = NewContainer();
    ChunkRef a = NewInt(1);
    ChunkRef b = NewInt(2);
    container->AddNamedTag(Zel::PString("a"), a);
    container->AddNamedTag(Zel::PString("b"), b);
    container->SwapTags(a, b);
    EXPECT_EQ(container->GetNamedTag(Zel::PString("a")).Get(), b.Get());
    EXPECT_EQ(container->GetNamedTag(Zel::PString("b")).Get(), a.Get());
    // A chunk that is not a child changes nothing.
    container->SwapTags(a, NewInt(3));
    EXPECT_EQ(container->GetNamedTag(Zel::PString("a")).Get(), b.Get());
}

TEST(ChunkModel, SortIsByteOrderShorterFirst)
{
    for (int extra : {0, 20}) {
        ChunkRef container = NewContainer();
        const char* names[] = {"b", "a", "B", "a1"};
        for (const char* name : names)
            container->AddNamedTag(Zel::PString(name), NewInt(0));
        for (int i = 0; i < extra; ++i)
            container->AddNamedTag(Zel::PString(("z" + std::to_string(100 + i)).c_str()), NewInt(i));
        container->SortTags();
        std::vector<std::string> order;
        for (int32_t i = 0; i < 4; ++i) {
            Zel::PString name;
            ChunkRef chunk;
            container->GetIndexedTag(i, name, chunk);
            order.push_back(name.c_str());
        }
        EXPECT_EQ(order, (std::vector<std::string>{"B", "a", "a1", "b"})) << extra;
    }
}

TEST(ChunkModel, RemoveTagKeepsTheOrderOfTheOthers)
{
    ChunkRef container = NewContainer();
    std::vector<ChunkRef> chunks;
    for (int i = 0; i < 4; ++i) {
        chunks.push_back(NewInt(i));
        container->AddNamedTag(Zel::PString(std::to_string(i).c_str()), chunks.back());
    }
    container->RemoveTag(chunks[1]);
    ASSERT_EQ(container->CountTags(), 3);
    Zel::PString name;
    ChunkRef chunk;
    container->GetIndexedTag(1, name, chunk);
    EXPECT_STREQ(name.c_str(), "2");
}

TEST(ChunkModel, CreateDataTag)
{
    ChunkRef container = NewContainer();
    EXPECT_EQ(container->CreateDataTag(SoupTypeContainer, TextBlock("x"))->GetType(), SoupTypeContainer);
    EXPECT_EQ(container->CreateDataTag(SoupTypeContainer, nullptr)->GetData(), nullptr);
    ChunkRef none = container->CreateDataTag(SoupTypeNone, nullptr);
    EXPECT_NE(none.Get(), ACSChunk::NullChunk());
    EXPECT_EQ(none->GetType(), SoupTypeNone);
    // A value tag has no children; a container no value.
    ChunkRef value = container->CreateDataTag(SoupTypeText, TextBlock("x"));
    EXPECT_EQ(value->GetDataSize(), 2);
    value->AddNamedTag(Zel::PString("a"), NewInt(1));
    EXPECT_EQ(value->CountTags(), 0);
}

struct ConversionCase {
    int32_t from;
    std::vector<uint8_t> in;
    int32_t to;
    const char* expected;  // bytes of the result, "<none>" for no block
};

std::vector<uint8_t> Bytes(const void* data, size_t size)
{
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

TEST(ChunkModel, ConvertDataBlockTable)
{
    const int32_t ints[] = {1, 2, 3};
    const float half = 0.5f;
    const float list[] = {1.0f, 2.5f, 3.0f};
    const std::string kuidText("<kuid:5:100>\0", 13);
    const ConversionCase cases[] = {
        {SoupTypeInt, Bytes(ints, 12), SoupTypeText, "1,2,3"},
        {SoupTypeText, Bytes("1,2,3", 5), SoupTypeInt, "<none>"},
        {SoupTypeFloat, Bytes(&half, 4), SoupTypeText, "0.5"},
        {SoupTypeFloat, Bytes(list, 12), SoupTypeText, "1,2.5,3"},
        {SoupTypeRaw, Bytes("abc", 3), SoupTypeText, "<none>"},
        {SoupTypeText2, Bytes("7", 2), SoupTypeInt, "<none>"},
        {SoupTypeInt, Bytes(ints, 2), SoupTypeText, "<none>"},
        {SoupTypeKUID, Bytes("\xff\xff\xff", 4), SoupTypeText, "<none>"},
        {SoupTypeText, Bytes(kuidText.data(), kuidText.size()), SoupTypeText, "<kuid:5:100>"},
    };
    for (const ConversionCase& c : cases) {
        RawDataRef in = ACSRawDataCore::Copy(c.in.data(), int32_t(c.in.size()));
        std::string result = BlockText(ConvertDataBlock(c.from, in, c.to));
        if (c.to == SoupTypeText && result != "<none>")
            result = result.c_str();  // up to the zero byte, when there is one
        EXPECT_EQ(result, c.expected) << c.from << "->" << c.to;
    }
}

TEST(ChunkModel, IntTextHasNoZeroByteAndKUIDTextHasOne)
{
    const int32_t ints[] = {1, 2, 3};
    RawDataRef text = ConvertDataBlock(SoupTypeInt, ACSRawDataCore::Copy(ints, 12), SoupTypeText);
    EXPECT_EQ(text->Size(), 5);
    const uint32_t kuid[] = {5, 100};
    RawDataRef tag = ConvertDataBlock(SoupTypeKUID, ACSRawDataCore::Copy(kuid, 8), SoupTypeText);
    EXPECT_EQ(BlockText(tag), std::string("<kuid:5:100>\0", 13));
}

TEST(ChunkModel, EqualTypesGiveTheSameBlock)
{
    RawDataRef in = TextBlock("x");
    EXPECT_EQ(ConvertDataBlock(SoupTypeText, in, SoupTypeText).Get(), in.Get());
    EXPECT_FALSE(ConvertDataBlock(SoupTypeNone, in, SoupTypeText));
}

int32_t AsInt(const RawDataRef& block)
{
    int32_t value = 0;
    EXPECT_TRUE(block);
    if (block && block->Size() == 4)
        std::memcpy(&value, block->Data(), 4);
    return value;
}

float AsFloat(const RawDataRef& block)
{
    float value = 0;
    EXPECT_TRUE(block);
    if (block && block->Size() == 4)
        std::memcpy(&value, block->Data(), 4);
    return value;
}

TEST(ChunkModel, NumberCheckOfTheTextConverters)
{
    struct Case {
        const char* text;
        bool passes;
        int32_t asInt;
    } cases[] = {
        {"12", true, 12},    {"-3.5", true, -3},  {".5", true, 0},     {"5.", true, 5},
        {"1.0e-3", true, 1}, {"7  \t", true, 7},  {"1e3", false, 0},   {"1,2", false, 0},
        {" 5", false, 0},    {"abc", false, 0},   {"-", false, 0},     {"", false, 0},
        {"1.0e3", false, 0}, {"1.0e-", false, 0}, {"1.2.3", false, 0}, {"3.9", true, 3},
    };
    for (const Case& c : cases) {
        RawDataRef result = ConvertDataBlock(SoupTypeText, TextBlock(c.text), SoupTypeInt);
        EXPECT_EQ(bool(result), c.passes) << c.text;
        if (result) {
            EXPECT_EQ(AsInt(result), c.asInt) << c.text;
        }
    }
    EXPECT_FLOAT_EQ(AsFloat(ConvertDataBlock(SoupTypeText, TextBlock("1.0e-3"), SoupTypeFloat)), 0.001f);
}

TEST(ChunkModel, ChainsThroughText)
{
    const int32_t three = 3;
    EXPECT_FLOAT_EQ(AsFloat(ConvertDataBlock(SoupTypeInt, ACSRawDataCore::Copy(&three, 4), SoupTypeFloat)), 3.0f);
    const float twoAndHalf = 2.5f;
    EXPECT_EQ(AsInt(ConvertDataBlock(SoupTypeFloat, ACSRawDataCore::Copy(&twoAndHalf, 4), SoupTypeInt)), 2);
    RawDataRef id = ConvertDataBlock(SoupTypeInt, ACSRawDataCore::Copy(&three, 4), SoupTypeKUID);
    ASSERT_TRUE(id);
    uint32_t words[2];
    std::memcpy(words, id->Data(), 8);
    EXPECT_EQ(KUID::Unpack(words[0], words[1]), KUID(-1, 3, 127));
}

TEST(ChunkModel, TextToKUID)
{
    uint32_t words[2];
    RawDataRef id = ConvertDataBlock(SoupTypeText, TextBlock("123"), SoupTypeKUID);
    std::memcpy(words, id->Data(), 8);
    EXPECT_EQ(KUID::Unpack(words[0], words[1]), KUID(-1, 123, 127));
    id = ConvertDataBlock(SoupTypeText, TextBlock("letters"), SoupTypeKUID);
    std::memcpy(words, id->Data(), 8);
    EXPECT_EQ(KUID::Unpack(words[0], words[1]), NullKUID);
}

TEST(ChunkModel, CopyChunkTreeMakesNewNodesAndSharesBytes)
{
    SoupHandle source;
    source.SetNamedTag(Zel::PString("name"), "value");
    SoupHandle inner;
    inner.SetNamedTagInt(Zel::PString("n"), 4);
    source.SetNamedSoup(Zel::PString("inner"), inner);

    ChunkRef target = NewContainer();
    target->AddNamedTag(Zel::PString("old"), NewInt(9));
    CopyChunkTree(target, source.Root());
    ASSERT_EQ(target->CountTags(), 2);
    EXPECT_EQ(target->GetNamedTag(Zel::PString("old")).Get(), ACSChunk::NullChunk());
    ChunkRef copiedInner = target->GetNamedTag(Zel::PString("inner"));
    EXPECT_NE(copiedInner.Get(), inner.Root().Get());
    EXPECT_EQ(copiedInner->GetNamedTag(Zel::PString("n"))->GetData(),
              inner.Root()->GetNamedTag(Zel::PString("n"))->GetData());
}

TEST(ChunkModel, CopyOfABinarySoupKeepsItsBytesAlive)
{
    using namespace SoupTest;
    SoupHandle copy;
    {
        SoupHandle loaded;
        ASSERT_TRUE(ReadBinary(File(Entry("t", 3, std::string("hello\0", 6))), loaded));
        copy.Copy(loaded);
    }
    EXPECT_STREQ(copy.GetNamedTag(Zel::PString("t")).c_str(), "hello");
}

}  // namespace
