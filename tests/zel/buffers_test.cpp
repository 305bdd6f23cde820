// DynamicBuffer growth and positions; memory slaves, cursors and the compress block helpers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "zel/alloc.h"
#include "zel/compress.h"
#include "zel/dynamic_buffer.h"
#include "zel/protected_long.h"
#include "zel/reference_count.h"

TEST(DynamicBufferTest, WriteReadAndPositions)
{
    Zel::DynamicBuffer buffer(0, 512);
    EXPECT_EQ(buffer.GetAllocatedSize(), 0u);
    EXPECT_EQ(buffer.Write("hello", 5), 5u);
    EXPECT_EQ(buffer.GetLength(), 5u);
    EXPECT_GE(buffer.GetAllocatedSize(), 512u);
    buffer.SetPosition(0);
    char out[16] = {};
    EXPECT_EQ(buffer.Read(out, 16), 5u);
    EXPECT_STREQ(out, "hello");
    EXPECT_EQ(buffer.Read(out, 1), 0u);
    buffer.SetPosition(8);  // past the data: the gap reads as zeros
    EXPECT_EQ(buffer.Write("!", 1), 1u);
    EXPECT_EQ(buffer.GetLength(), 9u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer.GetData()), 9), std::string("hello\0\0\0!", 9));
    buffer.SetPosition(1u << 30);
    EXPECT_EQ(buffer.GetPosition(), buffer.GetAllocatedSize());
    buffer.Clean();
    EXPECT_EQ(buffer.GetLength(), 0u);
    EXPECT_EQ(buffer.GetPosition(), 0u);
    buffer.SetPosition(3);
    buffer.Write("x", 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer.GetData()), 4), std::string("\0\0\0x", 4));
}

TEST(DynamicBufferTest, AddLengthAndLargeWrites)
{
    Zel::DynamicBuffer buffer;
    std::vector<char> big(100000, 'q');
    EXPECT_EQ(buffer.Write(big.data(), big.size()), big.size());
    size_t allocated = buffer.GetAllocatedSize();
    EXPECT_TRUE(buffer.AddLength(0x10000));
    EXPECT_EQ(buffer.GetAllocatedSize(), allocated + 0x10000);
    EXPECT_EQ(buffer.Write(nullptr, 0), 0u);
    EXPECT_FALSE(buffer.AddLength(SIZE_MAX));
    EXPECT_TRUE(buffer.SetLength(10));
    EXPECT_EQ(buffer.GetLength(), 10u);
}

namespace {

// Stores its input unchanged behind a 0 byte, like the stored form of a real coder.
class StoringCompress : public Zel::Compress {
public:
    bool CompressStream(Zel::IOSlave& output, Zel::IOSlave& input, size_t length, int) override
    {
        Zel::IOWriteCursor out(output, 4);
        Zel::IOReadCursor in(input, length, 3);
        if (!out.Put(0))
            return false;
        for (int c = in.Get(); c >= 0; c = in.Get()) {
            if (!out.Put(static_cast<uint8_t>(c)))
                return false;
        }
        return out.Flush();
    }
    bool DecompressStream(Zel::IOSlave& output, Zel::IOSlave& input, size_t length) override
    {
        if (length < 1)
            return false;
        Zel::IOReadCursor in(input, length);
        if (in.Get() != 0)
            return false;
        std::vector<uint8_t> rest(length - 1);
        if (in.Read(rest.data(), rest.size()) != rest.size())
            return false;
        Zel::IOWriteCursor out(output);
        out.Write(rest.data(), rest.size());
        return out.Flush();
    }
};

}  // namespace

TEST(CompressTest, BlockHelpersReportBytesAndFailures)
{
    StoringCompress coder;
    const char text[] = "abcdefgh";
    uint8_t packed[16] = {};
    EXPECT_EQ(coder.CompressBlock(packed, sizeof(packed), text, 8), 9u);
    EXPECT_EQ(packed[0], 0);
    EXPECT_EQ(coder.CompressBlock(packed, 5, text, 8), 0u);  // the output fills up
    char unpacked[16] = {};
    EXPECT_EQ(coder.DecompressBlock(unpacked, sizeof(unpacked), packed, 0), 0u);
    coder.CompressBlock(packed, sizeof(packed), text, 8);
    EXPECT_EQ(coder.DecompressBlock(unpacked, sizeof(unpacked), packed, 9), 8u);
    EXPECT_EQ(std::string(unpacked), "abcdefgh");
    EXPECT_EQ(coder.DecompressBlock(unpacked, 4, packed, 9), 0u);
}

TEST(MemoryIOSlaveTest, SeekBackAndLimits)
{
    uint8_t block[4] = {};
    Zel::MemoryIOSlave slave(block, sizeof(block), 0);
    EXPECT_EQ(slave.Write("abcdef", 6), 4u);
    EXPECT_TRUE(slave.Seek(1));
    EXPECT_FALSE(slave.Seek(5));
    EXPECT_FALSE(slave.Seek(-1));
    char out[8] = {};
    EXPECT_EQ(slave.Read(out, 8), 3u);
    EXPECT_STREQ(out, "bcd");
    Zel::MemoryIOSlave readOnly("xyz", 3);
    EXPECT_EQ(readOnly.Write("a", 1), 0u);
}

TEST(CountingTest, ProtectedLongAndReferenceCount)
{
    Zel::ProtectedLong count;
    EXPECT_EQ(count.Increment(), 1);
    EXPECT_EQ(++count, 2);
    EXPECT_EQ(count.Decrement(), 1);
    static int destroyed = 0;
    struct Counted : Zel::ReferenceCount {
        ~Counted() override { ++destroyed; }
    };
    auto* object = new Counted();
    EXPECT_EQ(object->AddReference(), 2);
    EXPECT_EQ(object->ReleaseReference(), 1);
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(object->ReleaseReference(), 0);
    EXPECT_EQ(destroyed, 1);
}

TEST(AllocTest, HeapsAreNamedAndCount)
{
    Zel::PackedHeap* heap = Zel::PackedHeap::Get("#GSMachine");
    EXPECT_EQ(heap, Zel::PackedHeap::Get("#GSMachine"));
    EXPECT_STREQ(heap->Name(), "#GSMachine");
    long before = heap->LiveBlocks();
    void* block = heap->Alloc(24);
    EXPECT_EQ(heap->LiveBlocks(), before + 1);
    heap->Free(block);
    heap->Free(nullptr);
    EXPECT_EQ(heap->LiveBlocks(), before);
    void* plain = Zel::Alloc::New(0);
    EXPECT_NE(plain, nullptr);
    Zel::Alloc::Delete(plain);
    Zel::Alloc::Delete(nullptr);
}
