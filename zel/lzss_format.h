// The fixed tables of the LZSS stream format: levels, windows, match limits and Huffman length codes.
#pragma once

#include <cstdint>

namespace Zel {
namespace LZSSFormat {

struct Level {
    int windowCode;
    int goodLength;  // the match search stops at this length
    bool huffman;
};
// Indexed by level 0..9; level 0 is the stored form.
inline constexpr Level kLevels[10] = {
    {0, 0, false},   {1, 8, false},   {1, 16, false}, {1, 32, false}, {2, 64, false},
    {2, 128, false}, {2, 256, false}, {2, 64, true},  {2, 128, true}, {2, 256, true},
};

struct Window {
    int positionBits;     // the window is 2^positionBits bytes
    int positionSymbols;  // leaves of the Huffman position tree
    int rawBits;          // low distance bits written as they are
};
// Indexed by window code 0..2; code 3 is not a valid stream.
inline constexpr Window kWindows[3] = {{8, 16, 4}, {12, 64, 6}, {14, 64, 8}};
inline constexpr int kWindowCodes = 3;

inline constexpr int kMinimumMatch = 3;
inline constexpr int kMaximumMatch = 258;
// Literal runs (flag words, window codes 1 and 2) carry 6 to 258 bytes.
inline constexpr int kMinimumLiteralRun = 6;
inline constexpr int kMaximumLiteralBatch = 258;
// Inputs this short are always stored.
inline constexpr int kLongestStoredOnly = 6;
// Inputs shorter than this use window code 0 and at most level 6.
inline constexpr int kSmallInput = 256;
inline constexpr int kHighestFlagWordLevel = 6;

// Main tree: literals 0-255, length codes 256-271, end 272; 274 leaves, so
// symbol 273 exists in the tree but never in a valid stream.
inline constexpr int kLengthCodeSymbol = 256;
inline constexpr int kEndSymbol = 272;
inline constexpr int kMainTreeLeaves = 274;

inline constexpr int kLengthCodes = 16;
inline constexpr int kLengthBase[kLengthCodes] = {0, 1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33, 49, 65, 97, 129};
inline constexpr int kLengthExtraBits[kLengthCodes] = {0, 0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 7};

inline constexpr int WindowSize(int windowCode)
{
    return 1 << kWindows[windowCode].positionBits;
}

// The length code c with base(c) <= value < base(c) + 2^extra(c).
inline int LengthCodeOf(int value)
{
    int code = kLengthCodes - 1;
    while (code > 0 && kLengthBase[code] > value)
        --code;
    return code;
}

}  // namespace LZSSFormat
}  // namespace Zel
