// archive_bench: LZSS levels 1, 5, 9 against zlib levels 1, 6, 9 (gzip -1/-6/-9) on the same 10 MB corpora,
// decompression against zlib's inflate (gzip -d), and the content signature against a memcpy of the same bytes.
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "best_of.h"
#include "soup/content_signature.h"
#include "zel/lzss_compress.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

constexpr size_t kCorpusSize = 10 * 1024 * 1024;
constexpr int kDecodeRounds = 9;

// Config-like text: a fixed vocabulary in random order, as asset configs and
// scripts repeat their keys.
Bytes TextCorpus()
{
    static const char* words[] = {"kuid",     "kuid-table", "mesh-table", "kind",   "traincar", "bogey",
                                  "<kuid:",   "27000:",     "script",     "asset",  "username", "region",
                                  "\r\n",     "  ",         "\"",         "0",      "1",        "engine",
                                  "{",        "}",          "thumbnail",  ".",      ":",        "category-class",
                                  "interior", "animation",  "texture",    "offset", "2.5",      "description"};
    Bytes out;
    out.reserve(kCorpusSize);
    uint32_t state = 2024;
    while (out.size() < kCorpusSize) {
        state = state * 1103515245u + 12345u;
        const char* word = words[(state >> 16) % (sizeof(words) / sizeof(words[0]))];
        for (const char* c = word; *c && out.size() < kCorpusSize; ++c)
            out.push_back(uint8_t(*c));
        if (out.size() < kCorpusSize && (state & 0x300) == 0)
            out.push_back(' ');
    }
    return out;
}

// Mesh-like binary: little-endian floats and indices with repeated records and noise.
Bytes BinaryCorpus()
{
    Bytes out;
    out.reserve(kCorpusSize);
    uint32_t state = 77;
    while (out.size() < kCorpusSize) {
        state = state * 1664525u + 1013904223u;
        const uint32_t kind = state >> 29;
        if (kind < 3) {
            const float value = float((state >> 12) % 1000) * 0.25f;
            uint8_t bytes[4];
            memcpy(bytes, &value, 4);
            for (int i = 0; i < 4 && out.size() < kCorpusSize; ++i)
                out.push_back(bytes[i]);
        } else if (kind < 6 && out.size() > 256) {
            const size_t from = out.size() - 1 - ((state >> 8) % 240);
            const size_t count = 4 + ((state >> 3) % 60);
            for (size_t i = 0; i < count && out.size() < kCorpusSize; ++i)
                out.push_back(out[from + i]);
        } else {
            out.push_back(uint8_t(state >> 11));
        }
    }
    return out;
}

template <class Work>
double Seconds(Work work)
{
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double MBps(size_t bytes, double seconds)
{
    return double(bytes) / (1024.0 * 1024.0) / seconds;
}

Bytes LZSSCompressBytes(const Bytes& input, int level)
{
    Zel::LZSSCompress coder;
    Bytes out(input.size() + 1);
    out.resize(coder.CompressBlock(out.data(), out.size(), input.data(), input.size(), level));
    return out;
}

Bytes ZlibCompressBytes(const Bytes& input, int level)
{
    uLongf size = compressBound(uLong(input.size()));
    Bytes out(size);
    compress2(out.data(), &size, input.data(), uLong(input.size()), level);
    out.resize(size);
    return out;
}

void CompareCompression(const char* name, const Bytes& corpus)
{
    const int ours[] = {1, 5, 9};
    const int theirs[] = {1, 6, 9};
    for (int i = 0; i < 3; ++i) {
        Bytes lzss;
        Bytes zlib;
        const double lzssTime = Seconds([&] { lzss = LZSSCompressBytes(corpus, ours[i]); });
        const double zlibTime = Seconds([&] { zlib = ZlibCompressBytes(corpus, theirs[i]); });
        printf("compress %-6s LZSS -%d %8.1f MB/s %9zu bytes | gzip -%d %8.1f MB/s %9zu bytes | speed ratio %.2f, "
               "size ratio %.3f\n",
               name, ours[i], MBps(corpus.size(), lzssTime), lzss.size(), theirs[i], MBps(corpus.size(), zlibTime),
               zlib.size(), (MBps(corpus.size(), lzssTime) / MBps(corpus.size(), zlibTime)),
               double(lzss.size()) / double(zlib.size()));

        // Best of several single decodes, each coder against its peer in
        // turn, so a busy spell of the machine slows both rather than
        // deciding the ratio.
        Bytes back(corpus.size());
        size_t produced = 0;
        const auto decodeOurs = [&] {
            Zel::LZSSCompress coder;
            produced = coder.DecompressBlock(back.data(), back.size(), lzss.data(), lzss.size());
        };
        const auto decodePeer = [&] {
            uLongf size = uLongf(back.size());
            uncompress(back.data(), &size, zlib.data(), uLong(zlib.size()));
        };
        double lzssDecode = 1e9;
        double zlibDecode = 1e9;
        for (int round = 0; round < kDecodeRounds; ++round) {
            lzssDecode = std::min(lzssDecode, bench::BestOf(decodeOurs, 1));
            if (produced != corpus.size() || back != corpus) {
                printf("  LZSS round trip FAILED\n");
                break;
            }
            zlibDecode = std::min(zlibDecode, bench::BestOf(decodePeer, 1));
        }
        const double ourRate = MBps(corpus.size(), lzssDecode);
        const double peerRate = MBps(corpus.size(), zlibDecode);
        printf("decode   %-6s LZSS -%d %8.1f MB/s | gzip -d %8.1f MB/s | ratio %.2f (target >= 1)\n", name, ours[i],
               ourRate, peerRate, ourRate / peerRate);
    }
}

void CompareSignature(const Bytes& corpus)
{
    Bytes copy(corpus.size());
    const int rounds = 20;
    uint32_t sink = 0;
    const double dsidTime = Seconds([&] {
        for (int r = 0; r < rounds; ++r)
            sink += Dsid::Compute(corpus.data(), corpus.size()).checksum;
    });
    const double copyTime = Seconds([&] {
        for (int r = 0; r < rounds; ++r) {
            memcpy(copy.data(), corpus.data(), corpus.size());
            sink += copy[size_t(r) * 4099 % copy.size()];
        }
    });
    const double ours = MBps(corpus.size() * rounds, dsidTime);
    const double peer = MBps(corpus.size() * rounds, copyTime);
    printf("dsid %8.1f MB/s | memcpy %8.1f MB/s | memcpy/dsid time ratio %.2f (target <= 2)  [%u]\n", ours, peer,
           peer / ours, sink & 1);
}

}  // namespace

int main()
{
    const Bytes text = TextCorpus();
    const Bytes binary = BinaryCorpus();
    CompareCompression("text", text);
    CompareCompression("binary", binary);
    CompareSignature(binary);
    return 0;
}
