// The entry layout of the "ACS$" binary soup body, and its bounds check.
#pragma once

#include <cstdint>
#include <string_view>

// Binary file types of an entry.
enum BinarySoupFileType : uint8_t {
    BinaryTypeContainer = 0,
    BinaryTypeInt = 1,
    BinaryTypeFloat = 2,
    BinaryTypeText = 3,
    BinaryTypeRaw = 4,
    BinaryTypeNone = 5,
    BinaryTypeAlignedRaw = 12,
    BinaryTypeKUID = 13,
};

constexpr uint32_t kBinarySoupMagic = 0x24534341u;  // "ACS$"
constexpr uint32_t kBinarySoupVersion = 1;
constexpr uint32_t kBinarySoupHeaderSize = 16;
// Containers nested below the root, at most. Deeper nesting fails the check
// (the file loads as an empty soup), so no
// reader or writer of a loaded soup recurses without bound.
constexpr int kBinarySoupMaxDepth = 1000;

// One entry as it lies in a body: u32 size | u8 N | N name bytes | u8 type | payload.
struct BinarySoupEntry {
    uint32_t offset = 0;   // of the size field
    uint32_t payload = 0;  // offset of the payload: the entry's identity
    uint32_t payloadLength = 0;
    uint32_t next = 0;      // offset after the entry
    std::string_view name;  // the stored name, up to its first zero within N
    uint8_t fileType = 0;
};

// Parses the entry at `at` of the range [.., end) of body. False when no
// entry starts there: 5 bytes or fewer remain, the type byte lies outside
// the range, the size is below N + 2, or the entry ends past the range.
bool ParseBinarySoupEntry(const uint8_t* body, uint32_t at, uint32_t end, BinarySoupEntry& out);

// True while more than 5 bytes remain at `at` (a shorter rest is never an entry).
inline bool HasBinarySoupEntryRoom(uint32_t at, uint32_t end)
{
    return at < end && end - at > 5;
}

// Every entry of [start, end) parses, recursively into containers, within
// kBinarySoupMaxDepth levels. A trailing rest of 5 bytes or fewer is not examined.
bool CheckBinarySoupEntries(const uint8_t* body, uint32_t start, uint32_t end);
