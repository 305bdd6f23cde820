// Zel::LZSSCompress: the program's LZ77 coder (flag-word and adaptive-Huffman streams) behind Zel::Compress.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "zel/compress.h"
#include "zel/plugin.h"
#include "zel/reference_count.h"

namespace Zel {

class LZSSMatchFinder;
class LZSSHuffmanTree;

// One object per use, released through its reference count. The stream
// format is fixed to the bit: `.gse` sources and archive payloads written by
// other copies of the program must decode, and streams we write must decode
// there, so every encoder choice (hash, chain walk, literal batching, flag
// word placement) is part of the format.
//
// First byte: (window code << 4) | level. Level 0 is stored, levels 1-6 are
// flag-word streams, 7-9 adaptive Huffman; window code 0 always uses flag
// words.
class LZSSCompress : public Compress, public PluginInstance, public ReferenceCount {
public:
    static constexpr int kDefaultLevel = 5;
    static constexpr int kMaximumLevel = 9;

    LZSSCompress();
    ~LZSSCompress() override;

    // Writes the stream for inputLength bytes of input. Any write that falls
    // short makes it rewind both sides and write the stored form instead, so an
    // output of inputLength + 1 bytes always suffices; false only when even the
    // stored copy cannot be written (or the input holds fewer bytes).
    // The stream ends at the output's position on return, not at the furthest
    // byte written: after a fallback the output still holds the abandoned
    // coded bytes beyond the shorter stored copy, so a caller that takes the
    // length from the sink's extent gets a stream with garbage at its end.
    bool CompressStream(IOSlave& output, IOSlave& input, size_t inputLength, int level) override;
    // Decodes inputLength bytes of stream. False on an empty input, on an
    // output write that falls short, and on a stream that cannot be decoded
    // (window code 3, a distance before the start of the output, a Huffman
    // stream without its end symbol). A flag-word stream simply ends with its
    // input; an item cut short by the end is dropped.
    bool DecompressStream(IOSlave& output, IOSlave& input, size_t inputLength) override;
    // Frees the match finder's tables and the Huffman trees.
    void ReleaseBuffers() override;

private:
    bool CompressCoded(IOSlave& output, IOSlave& input, size_t inputLength, int level);
    static bool WriteStored(IOSlave& output, IOSlave& input, size_t inputLength);

    std::unique_ptr<LZSSMatchFinder> matchFinder_;
    std::unique_ptr<LZSSHuffmanTree> mainTree_;
    std::unique_ptr<LZSSHuffmanTree> positionTree_;
};

}  // namespace Zel
