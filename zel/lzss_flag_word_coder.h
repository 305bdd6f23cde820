// LZSS flag-word streams (levels 1-6 and every window-code-0 stream): the encoder's token sink and the decoder.
#pragma once

#include <cstdint>
#include <vector>

#include "zel/lzss_match_finder.h"
#include "zel/lzss_streams.h"

namespace Zel {

class LZSSOutputWindow;

// Groups of a 32-bit little-endian flag word and the data bytes of the items
// its bits describe. A word is started only when a bit needs one, and an
// item's bits come first (spanning into the next word), its data bytes after.
class LZSSFlagWordEncoder : public LZSSTokenSink {
public:
    LZSSFlagWordEncoder(LZSSByteWriter& out, int windowCode);
    bool Literals(const uint8_t* bytes, int count) override;
    bool Match(int length, int distance) override;
    // Writes the last group.
    bool Finish();

private:
    void PutBit(uint32_t bit);
    void PutByte(uint8_t byte) { data_.push_back(byte); }
    void WriteGroup();

    LZSSByteWriter& out_;
    int windowCode_;
    int positionBits_;
    uint32_t word_ = 0;
    int bitsUsed_ = 0;
    bool haveWord_ = false;
    std::vector<uint8_t> data_;
};

// Decodes items until the input is used up (true) or the output fails.
bool DecodeFlagWordStream(IOReadCursor& in, int windowCode, LZSSOutputWindow& out);

}  // namespace Zel
