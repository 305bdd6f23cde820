// LZSS flag-word streams: item layout for window code 0 and for window codes 1 and 2, both directions.
#include "zel/lzss_flag_word_coder.h"

#include "zel/lzss_format.h"
#include "zel/lzss_output_window.h"

namespace Zel {
namespace {

using namespace LZSSFormat;

// Window code 0 keeps short lengths in three flag bits; 7 says a data byte
// holds the length instead.
constexpr uint32_t kShortLengthEscape = 7;

// Flag bits from 32-bit little-endian words, bit 0 first; -1 at the end.
class FlagBitReader {
public:
    explicit FlagBitReader(IOReadCursor& in) : in_(in) {}
    int Bit()
    {
        if (left_ == 0) {
            uint32_t word = 0;
            for (int i = 0; i < 4; ++i) {
                const int byte = in_.Get();
                if (byte < 0)
                    return -1;
                word |= uint32_t(byte) << (8 * i);
            }
            word_ = word;
            left_ = 32;
        }
        const int bit = int(word_ & 1u);
        word_ >>= 1;
        --left_;
        return bit;
    }

private:
    IOReadCursor& in_;
    uint32_t word_ = 0;
    int left_ = 0;
};

// Returns false to stop: `ended` tells the end of the input (a success) from
// a failed output.
bool DecodeCodeZeroItem(FlagBitReader& flags, IOReadCursor& in, LZSSOutputWindow& out, bool& ended)
{
    ended = true;
    const int kind = flags.Bit();
    if (kind < 0)
        return false;
    if (kind == 0) {
        const int byte = in.Get();
        if (byte < 0)
            return false;
        ended = false;
        return out.Literal(uint8_t(byte));
    }
    int value = 0;
    for (int i = 0; i < 3; ++i) {
        const int bit = flags.Bit();
        if (bit < 0)
            return false;
        value |= bit << i;
    }
    if (uint32_t(value) == kShortLengthEscape) {
        value = in.Get();
        if (value < 0)
            return false;
    }
    const int distance = in.Get();
    if (distance < 0)
        return false;
    ended = false;
    return out.Copy(size_t(distance), size_t(value + kMinimumMatch));
}

bool DecodeWideItem(FlagBitReader& flags, IOReadCursor& in, int positionBits, LZSSOutputWindow& out, bool& ended)
{
    ended = true;
    const int kind = flags.Bit();
    if (kind < 0)
        return false;
    if (kind == 1) {
        const int low = in.Get();
        const int high = low < 0 ? -1 : in.Get();
        if (high < 0)
            return false;
        const uint32_t word = uint32_t(low) | (uint32_t(high) << 8);
        const uint32_t lengthMask = (1u << (16 - positionBits)) - 1u;
        const uint32_t distance = word & ((1u << positionBits) - 1u);
        int value = int(word >> positionBits);
        if (uint32_t(value) == lengthMask) {
            value = in.Get();
            if (value < 0)
                return false;
        }
        ended = false;
        return out.Copy(distance, size_t(value + kMinimumMatch));
    }
    const int run = flags.Bit();
    if (run < 0)
        return false;
    const int first = in.Get();
    if (first < 0)
        return false;
    if (run == 0) {
        ended = false;
        return out.Literal(uint8_t(first));
    }
    const size_t count = size_t(first) + kMinimumMatch;
    uint8_t* room = out.Reserve(count);
    if (room == nullptr) {
        ended = false;
        return false;
    }
    // A run cut short by the end of the input is dropped whole.
    if (in.Read(room, count) != count)
        return false;
    out.Commit(count);
    ended = false;
    return true;
}

}  // namespace

LZSSFlagWordEncoder::LZSSFlagWordEncoder(LZSSByteWriter& out, int windowCode)
    : out_(out), windowCode_(windowCode), positionBits_(kWindows[windowCode].positionBits)
{
    data_.reserve(32 * (kMaximumLiteralBatch + 2));
}

void LZSSFlagWordEncoder::WriteGroup()
{
    if (!haveWord_)
        return;
    const uint8_t word[4] = {uint8_t(word_), uint8_t(word_ >> 8), uint8_t(word_ >> 16), uint8_t(word_ >> 24)};
    out_.Write(word, 4);
    out_.Write(data_.data(), data_.size());
    data_.clear();
    haveWord_ = false;
}

void LZSSFlagWordEncoder::PutBit(uint32_t bit)
{
    if (haveWord_ && bitsUsed_ == 32)
        WriteGroup();
    if (!haveWord_) {
        haveWord_ = true;
        word_ = 0;
        bitsUsed_ = 0;
    }
    word_ |= bit << bitsUsed_;
    ++bitsUsed_;
}

bool LZSSFlagWordEncoder::Literals(const uint8_t* bytes, int count)
{
    if (windowCode_ != 0 && count >= kMinimumLiteralRun) {
        PutBit(0);
        PutBit(1);
        PutByte(uint8_t(count - kMinimumMatch));
        data_.insert(data_.end(), bytes, bytes + count);
        return !out_.Failed();
    }
    for (int i = 0; i < count; ++i) {
        PutBit(0);
        if (windowCode_ != 0)
            PutBit(0);
        PutByte(bytes[i]);
    }
    return !out_.Failed();
}

bool LZSSFlagWordEncoder::Match(int length, int distance)
{
    const uint32_t value = uint32_t(length - kMinimumMatch);
    PutBit(1);
    if (windowCode_ == 0) {
        const uint32_t field = value < kShortLengthEscape ? value : kShortLengthEscape;
        for (int i = 0; i < 3; ++i)
            PutBit((field >> i) & 1u);
        if (field == kShortLengthEscape)
            PutByte(uint8_t(value));
        PutByte(uint8_t(distance));
        return !out_.Failed();
    }
    const uint32_t lengthMask = (1u << (16 - positionBits_)) - 1u;
    const uint32_t field = value < lengthMask ? value : lengthMask;
    const uint32_t word = uint32_t(distance) | (field << positionBits_);
    PutByte(uint8_t(word));
    PutByte(uint8_t(word >> 8));
    if (field == lengthMask)
        PutByte(uint8_t(value));
    return !out_.Failed();
}

bool LZSSFlagWordEncoder::Finish()
{
    WriteGroup();
    return !out_.Failed();
}

bool DecodeFlagWordStream(IOReadCursor& in, int windowCode, LZSSOutputWindow& out)
{
    FlagBitReader flags(in);
    const int positionBits = kWindows[windowCode].positionBits;
    bool ended = false;
    while (true) {
        const bool going = windowCode == 0 ? DecodeCodeZeroItem(flags, in, out, ended)
                                           : DecodeWideItem(flags, in, positionBits, out, ended);
        if (!going)
            return ended;
    }
}

}  // namespace Zel
