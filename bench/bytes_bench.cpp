// Benchmark: KUID parse + tag print, TBuffer::ReadInt32 and Crc32, each against a peer in the same run.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include <zlib.h>

#include "foundation/base/crc32.h"
#include "foundation/containers/chunked_list.h"
#include "foundation/streams/t_buffer.h"
#include "kuid/kuid.h"

namespace {

using Clock = std::chrono::steady_clock;

// Best of a few runs, in seconds.
template <class Work>
double Measure(Work work, int runs = 3)
{
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        auto start = Clock::now();
        work();
        double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (seconds < best)
            best = seconds;
    }
    return best;
}

volatile uint64_t Sink;

void Report(const char* what, const char* unit, double ours, double peer, double scale)
{
    std::printf("%-44s ours %10.2f %s   peer %10.2f %s   ours/peer time %.2f\n", what, scale / ours, unit, scale / peer,
                unit, ours / peer);
}

std::vector<std::string> MakeIdTexts(size_t count)
{
    std::vector<std::string> texts;
    texts.reserve(count);
    uint32_t seed = 12345;
    for (size_t i = 0; i < count; ++i) {
        seed = seed * 1103515245u + 12345u;
        int user = int(seed % 0x1000000);
        int content = int((seed >> 3) % 1000000);
        char text[64];
        if (i % 4 == 3)
            std::snprintf(text, sizeof text, "<kuid2:%d:%d:%d>", user, content, int(seed % 127) + 1);
        else
            std::snprintf(text, sizeof text, "<kuid:%d:%d>", user, content);
        texts.emplace_back(text);
    }
    return texts;
}

// The peer: the numbers taken with strtol and printed with snprintf.
uint64_t StrtolSnprintf(const std::vector<std::string>& texts)
{
    uint64_t total = 0;
    char out[64];
    for (const std::string& text : texts) {
        const char* p = text.c_str() + (text[5] == '2' ? 7 : 6);
        char* end;
        long user = std::strtol(p, &end, 10);
        long content = std::strtol(end + 1, &end, 10);
        long version = *end == ':' ? std::strtol(end + 1, &end, 10) : 0;
        int n = version == 0 ? std::snprintf(out, sizeof out, "<kuid:%ld:%ld>", user, content)
                             : std::snprintf(out, sizeof out, "<kuid2:%ld:%ld:%ld>", user, content, version);
        total += uint64_t(n) + uint8_t(out[n - 2]);
    }
    return total;
}

void BenchKuid()
{
    const size_t count = 1000000;
    std::vector<std::string> texts = MakeIdTexts(count);
    double peer = Measure([&] { Sink = StrtolSnprintf(texts); });
    double formatted = Measure([&] {
        uint64_t total = 0;
        char out[KUID::TextCapacity];
        for (const std::string& text : texts) {
            int n = KUID::Parse(text.c_str(), true).FormatTagString(out);
            total += uint64_t(n) + uint8_t(out[n - 2]);
        }
        Sink = total;
    });
    double interned = Measure([&] {
        uint64_t total = 0;
        for (const std::string& text : texts)
            total += KUID::Parse(text.c_str(), true).ToTagString().Length();
        Sink = total;
    });
    Report("KUID::Parse + FormatTagString (1M ids)", "M ids/s", formatted, peer, count / 1e6);
    Report("KUID::Parse + ToTagString interned (1M ids)", "M ids/s", interned, peer, count / 1e6);
}

void BenchReadInt32()
{
    const int64_t count = 10000000;
    TBuffer buffer;
    for (int64_t i = 0; i < count; ++i)
        buffer.WriteInt32(int32_t(i));
    const uint8_t* bytes = buffer.Data();
    double peer = Measure([&] {
        uint64_t total = 0;
        for (int64_t i = 0; i < count; ++i) {
            int32_t value;
            std::memcpy(&value, bytes + i * 4, 4);
            total += uint32_t(value);
            asm volatile("" : "+r"(total));  // keep the loop a loop of loads
        }
        Sink = total;
    });
    double ours = Measure([&] {
        buffer.Rewind();
        uint64_t total = 0;
        for (int64_t i = 0; i < count; ++i)
            total += uint32_t(buffer.ReadInt32());
        Sink = total;
    });
    if (buffer.GetError() != TStream::ErrorNone)
        std::printf("unexpected stream error %d\n", buffer.GetError());
    Report("TBuffer::ReadInt32 vs memcpy loop (10M)", "M reads/s", ours, peer, count / 1e6);
}

void BenchCrc32()
{
    const size_t size = 100u << 20;
    std::vector<uint8_t> bytes(size);
    uint32_t seed = 1;
    for (size_t i = 0; i < size; ++i) {
        seed = seed * 1664525u + 1013904223u;
        bytes[i] = uint8_t(seed >> 24);
    }
    uint32_t ourCrc = 0;
    uint32_t zlibCrc = 0;
    double peer = Measure([&] { zlibCrc = uint32_t(crc32(0L, bytes.data(), uInt(size))); });
    double ours = Measure([&] { ourCrc = Crc32(bytes.data(), size); });
    if (ourCrc != zlibCrc)
        std::printf("checksums differ: %08x vs %08x\n", ourCrc, zlibCrc);
    Report("Crc32 vs zlib crc32 (100 MB)", "MB/s", ours, peer, double(size) / (1 << 20));
}

void BenchChunkedList()
{
    const int32_t count = 10000000;
    double peer = Measure([&] {
        std::deque<KUID> ids;
        for (int32_t i = 0; i < count; ++i)
            ids.push_back(KUID(i & 0xFFFFFF, i, 0));
        uint64_t total = 0;
        for (const KUID& id : ids)
            total += uint32_t(id.content);
        Sink = total;
    });
    double ours = Measure([&] {
        ChunkedList<KUID, 128> ids;
        for (int32_t i = 0; i < count; ++i)
            ids.PushBack(KUID(i & 0xFFFFFF, i, 0));
        uint64_t total = 0;
        for (const KUID& id : ids)
            total += uint32_t(id.content);
        Sink = total;
    });
    Report("ChunkedList<KUID,128> vs std::deque (10M)", "M ids/s", ours, peer, count / 1e6);
}

}  // namespace

int main()
{
    BenchKuid();
    BenchReadInt32();
    BenchCrc32();
    BenchChunkedList();
    return 0;
}
