// Zel::LZSSCompress: level and window selection, the stored form and its fallback, and stream dispatch.
#include "zel/lzss_compress.h"

#include <vector>

#include "zel/lzss_flag_word_coder.h"
#include "zel/lzss_format.h"
#include "zel/lzss_huffman_coder.h"
#include "zel/lzss_huffman_tree.h"
#include "zel/lzss_match_finder.h"
#include "zel/lzss_output_window.h"
#include "zel/lzss_streams.h"

namespace Zel {
namespace {

using namespace LZSSFormat;

constexpr size_t kCopyBlock = 0x10000;

// Copies count bytes (or, with count unknown, until the source ends); true
// when every byte read was written and, with a count, all of it was there.
bool CopyBytes(IOSlave& output, IOReadCursor& input, size_t count, bool exact)
{
    std::vector<uint8_t> block(count < kCopyBlock ? (count > 0 ? count : 1) : kCopyBlock);
    size_t left = count;
    while (left > 0) {
        const size_t want = left < block.size() ? left : block.size();
        const size_t got = input.Read(block.data(), want);
        if (got > 0 && output.Write(block.data(), got) != got)
            return false;
        if (got < want)
            return !exact;
        left -= got;
    }
    return true;
}

}  // namespace

LZSSCompress::LZSSCompress() = default;
LZSSCompress::~LZSSCompress() = default;

void LZSSCompress::ReleaseBuffers()
{
    matchFinder_.reset();
    mainTree_.reset();
    positionTree_.reset();
}

bool LZSSCompress::WriteStored(IOSlave& output, IOSlave& input, size_t inputLength)
{
    const uint8_t level = 0;
    if (output.Write(&level, 1) != 1)
        return false;
    IOReadCursor in(input, inputLength);
    return CopyBytes(output, in, inputLength, true);
}

bool LZSSCompress::CompressStream(IOSlave& output, IOSlave& input, size_t inputLength, int level)
{
    if (level > kMaximumLevel)
        level = kMaximumLevel;
    if (level <= 0 || inputLength <= size_t(kLongestStoredOnly))
        return WriteStored(output, input, inputLength);
    const int64_t outputStart = output.Tell();
    const int64_t inputStart = input.Tell();
    if (CompressCoded(output, input, inputLength, level))
        return true;
    // Anything that fell short (a fixed output block filling up) gives the
    // stored form, which never needs more than the input and one byte.
    if (!output.Seek(outputStart) || !input.Seek(inputStart))
        return false;
    return WriteStored(output, input, inputLength);
}

bool LZSSCompress::CompressCoded(IOSlave& output, IOSlave& input, size_t inputLength, int level)
{
    int windowCode = kLevels[level].windowCode;
    if (inputLength < size_t(kSmallInput)) {
        windowCode = 0;
        if (level > kHighestFlagWordLevel)
            level = kHighestFlagWordLevel;
    } else if (windowCode > 0 && inputLength <= size_t(WindowSize(windowCode - 1))) {
        --windowCode;
    }
    // The good-enough length is the one of the level actually written.
    const int goodLength = kLevels[level].goodLength;
    const bool huffman = kLevels[level].huffman && windowCode > 0;

    LZSSByteWriter out(output);
    out.Put(uint8_t((windowCode << 4) | level));
    if (!matchFinder_)
        matchFinder_ = std::make_unique<LZSSMatchFinder>();
    const int positionBits = kWindows[windowCode].positionBits;
    if (huffman) {
        if (!mainTree_)
            mainTree_ = std::make_unique<LZSSHuffmanTree>();
        if (!positionTree_)
            positionTree_ = std::make_unique<LZSSHuffmanTree>();
        LZSSHuffmanEncoder encoder(out, windowCode, *mainTree_, *positionTree_);
        if (!matchFinder_->Encode(input, inputLength, positionBits, goodLength, encoder) || !encoder.Finish())
            return false;
        return out.Flush();
    }
    LZSSFlagWordEncoder encoder(out, windowCode);
    if (!matchFinder_->Encode(input, inputLength, positionBits, goodLength, encoder) || !encoder.Finish())
        return false;
    return out.Flush();
}

bool LZSSCompress::DecompressStream(IOSlave& output, IOSlave& input, size_t inputLength)
{
    if (inputLength < 1)
        return false;
    IOReadCursor in(input, inputLength);
    const int first = in.Get();
    if (first < 0)
        return false;
    const int windowCode = (first >> 4) & 3;
    const int level = first & 15;
    if (level == 0)
        return CopyBytes(output, in, inputLength - 1, false);
    if (windowCode >= kWindowCodes)
        return false;
    LZSSOutputWindow out(output);
    if (windowCode == 0 || level <= kHighestFlagWordLevel) {
        if (!DecodeFlagWordStream(in, windowCode, out))
            return false;
        return out.Finish();
    }
    if (!mainTree_)
        mainTree_ = std::make_unique<LZSSHuffmanTree>();
    if (!positionTree_)
        positionTree_ = std::make_unique<LZSSHuffmanTree>();
    const bool decoded = DecodeHuffmanStream(in, windowCode, *mainTree_, *positionTree_, out);
    mainTree_.reset();
    positionTree_.reset();
    return decoded && out.Finish();
}

}  // namespace Zel
