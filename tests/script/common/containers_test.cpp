// The toolchain containers: frame and block memory, hash tables, queue, buffer, literals.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "script/common/block_memory.h"
#include "script/common/byte_buffer.h"
#include "script/common/frame_memory.h"
#include "script/common/hash_table.h"
#include "script/common/keyed_hash_table.h"
#include "script/common/path_buffer.h"
#include "script/common/queue.h"
#include "script/common/script_hash.h"
#include "script/common/string_literal.h"

namespace {

TEST(FrameMemory, FrameSizeBoundsOneAllocation)
{
    Utils::FrameMemory memory;
    EXPECT_NE(memory.Alloc(2048, 1), nullptr);
    EXPECT_EQ(memory.Alloc(2048, 4), nullptr);  // needs 2051
}

TEST(FrameMemory, RestOfAFrameIsNeverHandedOut)
{
    Utils::FrameMemory memory;
    char* a = static_cast<char*>(memory.Alloc(2000, 1));
    char* b = static_cast<char*>(memory.Alloc(100, 1));
    char* c = static_cast<char*>(memory.Alloc(10, 1));
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(c, b + 100);  // the next frame, not the 48 bytes left in the first
    EXPECT_FALSE(c > a && c < a + 2048);
}

TEST(FrameMemory, LongTextsGetABlockOfTheirOwn)
{
    Utils::FrameMemory memory;
    std::string text(5000, 'x');
    const char* copy = memory.StrdupAnyLength(text.c_str(), text.size());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(std::string(copy), text);
    EXPECT_EQ(memory.Strdup(text.c_str()), nullptr);
}

TEST(BlockMemory, DoubleFreeAndForeignAddress)
{
    Utils::BlockMemory pool;
    ASSERT_TRUE(pool.Init(0, 12, 32));
    void* a = pool.Alloc();
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(pool.Free(a));
    EXPECT_FALSE(pool.Free(a));
    int local = 0;
    EXPECT_FALSE(pool.Free(&local));
}

TEST(BlockMemory, EmptiedSecondPageIsReleasedWithoutSlack)
{
    Utils::BlockMemory pool;
    ASSERT_TRUE(pool.Init(0, 8, 32));
    std::vector<void*> elements;
    for (int i = 0; i < 33; ++i)
        elements.push_back(pool.Alloc());
    EXPECT_EQ(pool.PageCount(), 2u);
    EXPECT_TRUE(pool.Free(elements.front()));
    EXPECT_EQ(pool.PageCount(), 2u);
    // The first page now has a free element, more than the slack of 0.
    EXPECT_TRUE(pool.Free(elements.back()));
    EXPECT_EQ(pool.PageCount(), 1u);
    EXPECT_EQ(pool.LiveCount(), 31u);
}

TEST(BlockMemory, ElementsAreDistinctAndReusable)
{
    Utils::BlockMemory pool;
    ASSERT_TRUE(pool.Init(4096, sizeof(int) * 3, 256));
    std::vector<void*> elements;
    for (int i = 0; i < 600; ++i) {
        void* e = pool.Alloc();
        ASSERT_NE(e, nullptr);
        std::memset(e, i & 0xFF, 12);
        elements.push_back(e);
    }
    EXPECT_EQ(pool.PageCount(), 3u);
    for (void* e : elements)
        EXPECT_TRUE(pool.Free(e));
    EXPECT_EQ(pool.LiveCount(), 0u);
}

TEST(KeyedHashTable, IntegerKeysShareBucketsByHalf)
{
    Utils::IntHashTable table;
    ASSERT_TRUE(table.Make(4));
    ASSERT_TRUE(table.Insert(7, nullptr));
    ASSERT_TRUE(table.Insert(6, nullptr));
    EXPECT_FALSE(table.Insert(7, nullptr));
    Utils::KeyedNode* chain = table.Bucket(3);
    ASSERT_NE(chain, nullptr);
    EXPECT_EQ(chain->key, 6u);
    ASSERT_NE(chain->next, nullptr);
    EXPECT_EQ(chain->next->key, 7u);
}

TEST(KeyedHashTable, StringKeysIterateInBucketThenByteOrder)
{
    Utils::StringHashTable table;
    ASSERT_TRUE(table.Make(61));
    for (const char* key : {"b", "a", "::A()", "A", "zz"})
        ASSERT_TRUE(table.Insert(key, nullptr));
    EXPECT_FALSE(table.Insert("a", nullptr));
    std::vector<std::pair<uint32_t, std::string>> seen;
    Utils::KeyedIterator it;
    for (table.Begin(&it); it.Node() != nullptr; table.Next(&it)) {
        const char* key = Utils::StringHashTable::KeyText(it.Node());
        seen.push_back({Utils::ScriptHash(key) % 61, key});
    }
    ASSERT_EQ(seen.size(), 5u);
    for (size_t i = 1; i < seen.size(); ++i)
        EXPECT_LE(seen[i - 1], seen[i]);
}

TEST(ScriptHash, UsesSignedBytes)
{
    EXPECT_EQ(Utils::ScriptHash("ab"), 3u * 'a' + 'b');
    EXPECT_EQ(Utils::ScriptHash("\xff"), 0xFFFFFFFFu);
}

TEST(Queue, GrowsKeepingOrder)
{
    Utils::Queue<char*, 1> queue(2);
    char items[5] = {};
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(queue.Append(&items[i]));
    char* taken = nullptr;
    ASSERT_TRUE(queue.Take(&taken));
    EXPECT_EQ(taken, &items[0]);
    ASSERT_TRUE(queue.Append(&items[3]));
    ASSERT_TRUE(queue.Append(&items[4]));
    for (int i = 1; i < 5; ++i) {
        ASSERT_TRUE(queue.Take(&taken));
        EXPECT_EQ(taken, &items[i]);
    }
    EXPECT_FALSE(queue.Take(&taken));
}

TEST(ByteBuffer, ShortReadSetsTheFlag)
{
    Utils::ByteBuffer buffer;
    ASSERT_TRUE(buffer.Init(16));
    buffer.WriteU8(1);
    buffer.WriteU8(2);
    buffer.WriteU8(3);
    ASSERT_TRUE(buffer.Seek(0));
    uint32_t value = 77;
    EXPECT_FALSE(buffer.ReadU32(&value));
    EXPECT_EQ(value, 77u);
    EXPECT_TRUE(buffer.Flags() & Utils::ByteBuffer::kReadPastEnd);
}

TEST(ByteBuffer, GrowsAndPatches)
{
    Utils::ByteBuffer buffer;
    ASSERT_TRUE(buffer.Init(4));
    for (uint32_t i = 0; i < 100; ++i)
        buffer.WriteU32(i);
    ASSERT_TRUE(buffer.Seek(0));
    buffer.WriteU32(0xDEADBEEF);
    ASSERT_TRUE(buffer.Seek(0));
    uint32_t value = 0;
    ASSERT_TRUE(buffer.ReadU32(&value));
    EXPECT_EQ(value, 0xDEADBEEFu);
    EXPECT_EQ(buffer.Length(), 400u);
    EXPECT_EQ(buffer.Data()[4], 1);
}

TEST(ByteBuffer, PatchInPlaceNeverGrows)
{
    Utils::ByteBuffer buffer;
    ASSERT_TRUE(buffer.Init(16));
    buffer.WriteU32(0);
    buffer.WriteU32(0);
    EXPECT_TRUE(buffer.PatchU32(4, 0x11223344u));
    EXPECT_EQ(buffer.Data()[4], 0x44);
    EXPECT_EQ(buffer.Data()[7], 0x11);
    EXPECT_EQ(buffer.Cursor(), 8u);
    EXPECT_EQ(buffer.Flags(), 0u);
    const size_t beyond[] = {5, 8, 100, SIZE_MAX - 1};
    for (size_t position : beyond) {
        EXPECT_FALSE(buffer.PatchU32(position, 1)) << position;
        EXPECT_EQ(buffer.Length(), 8u);
    }
    EXPECT_NE(buffer.Flags() & Utils::ByteBuffer::kReadPastEnd, 0u);
    Utils::ByteBuffer empty;
    EXPECT_FALSE(empty.PatchU32(0, 1));
}

struct LiteralCase {
    const char* token;
    bool escapes;
    std::string expected;
};

TEST(DecodeStringLiteral, Table)
{
    const LiteralCase cases[] = {
        {"\"a\\n\"", true, "a\n"},   {"a\\n\"", true, ""},
        {"L\"w\"", true, "w"},       {"'x'", true, "x"},
        {"\"a\\0b\"", true, "a"},    {"\"a\\qb\"", true, "aqb"},
        {"\"a\\n\"", false, "a\\n"}, {"\"\\t\\v\\f\\a\\b\\r\"", true, "\t\v\f\a\b\r"},
    };
    for (const LiteralCase& c : cases) {
        EXPECT_EQ(Utils::DecodeStringLiteral(c.token, std::strlen(c.token), c.escapes), c.expected) << c.token;
    }
    std::string longLiteral = "\"" + std::string(5000, 'y') + "\"";
    EXPECT_EQ(Utils::DecodeStringLiteral(longLiteral.c_str(), longLiteral.size(), true).size(), 5000u);
}

TEST(PathBuffer, StripAndAppend)
{
    Utils::CompilerPathBuffer() = "c:\\dir/sub\\file.gs";
    Utils::PathStripDirectory();
    EXPECT_EQ(Utils::CompilerPathBuffer(), "file.gs");
    Utils::CompilerPathBuffer() = "dir";
    Utils::PathAppend("x.gs");
    EXPECT_EQ(Utils::CompilerPathBuffer(), "dir/x.gs");
    Utils::CompilerPathBuffer() = "dir\\";
    Utils::PathAppend("x.gs");
    EXPECT_EQ(Utils::CompilerPathBuffer(), "dir\\x.gs");
}

}  // namespace
