// LZSS Huffman streams (levels 7-9): the encoder's token sink and the decoder, over two adaptive trees.
#pragma once

#include <cstdint>

#include "zel/lzss_huffman_tree.h"
#include "zel/lzss_match_finder.h"
#include "zel/lzss_streams.h"

namespace Zel {

class LZSSOutputWindow;

// A literal is its main-tree symbol; a match is its length code, the code's
// extra bits, the high part of the distance from the position tree and the
// low raw bits. The trees belong to the caller so that ReleaseBuffers can
// free them.
class LZSSHuffmanEncoder : public LZSSTokenSink {
public:
    LZSSHuffmanEncoder(LZSSByteWriter& out, int windowCode, LZSSHuffmanTree& mainTree, LZSSHuffmanTree& positionTree);
    bool Literals(const uint8_t* bytes, int count) override;
    bool Match(int length, int distance) override;
    // The end symbol and the padding to a 16-bit boundary.
    bool Finish();

private:
    void PutSymbol(LZSSHuffmanTree& tree, int32_t symbol);

    LZSSByteWriter& out_;
    LZSSBitWriter bits_;
    int rawBits_;
    LZSSHuffmanTree& main_;
    LZSSHuffmanTree& position_;
};

// Decodes until the end symbol (true). False when the input ends first, on
// the padding symbol, on a bad distance and when the output fails.
bool DecodeHuffmanStream(IOReadCursor& in, int windowCode, LZSSHuffmanTree& mainTree, LZSSHuffmanTree& positionTree,
                         LZSSOutputWindow& out);

}  // namespace Zel
