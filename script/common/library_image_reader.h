// Reads a compiled library image (.gsl) into a checked view. Images come from
// files anyone can write: every size, count, index and range is checked
// against the bytes really there before it is used, and a damaged image is
// an error value, never a crash or an allocation larger than the image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace GSImage {

struct LibraryHeader {
    uint32_t totalLength = 0;  // as written; not compared with the real size
    uint32_t magic = 0;
    uint32_t versionBits = 0;  // never checked
    uint32_t sourceCrc = 0;
    uint32_t fileNameCrc = 0;
};

enum class ImageFault {
    None,
    Truncated,  // a field or record runs past its parent or the image
    BadMagic,
    BadId,      // a section or record id other than the expected one
    BadSize,    // a size word smaller than its record's fixed part
    BadCount,   // more entries than the record has bytes for
    BadString,  // a string offset outside the pool or without its NUL
    BadIndex,   // a string, dependency, class, function or slot index out of range
    BadFrame,   // frame words that contradict each other
};

struct ImageError {
    ImageFault fault = ImageFault::None;
    uint32_t offset = 0;  // image position where the fault was found
    // The class record that holds the fault (-1 outside section 6), and its
    // name when the name index was read and names a pool string.
    int32_t classIndex = -1;
    std::string_view className;
};

const char* ImageFaultText(ImageFault fault);

struct Dependency {
    uint32_t sourceCrc;
    uint32_t fileNameCrc;
};

struct ClassReference {
    uint32_t dependency;
    uint32_t name;  // string index
};

struct FunctionReference {
    uint32_t classReference;
    uint32_t name;
    int32_t slot;  // -1 for none
};

struct BaseEntry {
    uint32_t classReference;
    uint32_t blockOffset;  // words
    uint32_t direct;       // 1 direct, 0 inherited through another base
};

struct LinePair {
    uint32_t position;
    uint32_t line;
};

// Little-endian u32 words left in place in the image and decoded on access,
// so that reading an image allocates nothing per function.
class WordView {
public:
    WordView() = default;
    WordView(const uint8_t* at, uint32_t count) : at_(at), count_(count) {}
    uint32_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    uint32_t operator[](uint32_t i) const
    {
        const uint8_t* word = at_ + 4 * size_t(i);
        return uint32_t(word[0]) | uint32_t(word[1]) << 8 | uint32_t(word[2]) << 16 | uint32_t(word[3]) << 24;
    }
    std::vector<uint32_t> ToVector() const
    {
        std::vector<uint32_t> words(count_);
        for (uint32_t i = 0; i < count_; ++i)
            words[i] = (*this)[i];
        return words;
    }

private:
    const uint8_t* at_ = nullptr;
    uint32_t count_ = 0;
};

// {position, line} pairs left in place in the image.
class LineView {
public:
    LineView() = default;
    LineView(const uint8_t* at, uint32_t count) : words_(at, 2 * count) {}
    uint32_t size() const { return words_.size() / 2; }
    bool empty() const { return words_.empty(); }
    LinePair operator[](uint32_t i) const { return LinePair{words_[2 * i], words_[2 * i + 1]}; }

private:
    WordView words_;
};

struct FunctionRecord {
    uint32_t name = 0;
    uint32_t returnType = 0;
    int32_t returnClass = -1;
    uint32_t flags = 0;
    int32_t slot = -1;
    int32_t stackAdvance = 0;
    int32_t argumentBase = 0;
    int32_t frameOffset = 0;
    int32_t stackNeed = 0;
    int32_t argumentWords = 0;
    uint32_t localWords[2] = {0, 0};
    WordView referenceLocals;
    uint32_t codeOffset = 0;  // image position of the first code byte
    uint32_t codeLength = 0;
    const uint8_t* code = nullptr;
    bool hasLineTable = false;
    LineView lines;
};

struct MemberEntry {
    uint32_t name;
    uint32_t type;
    int32_t classReference;  // -1 for none
    uint32_t isPublic;
    int32_t slot;  // -1 for none
};

struct MethodSlot {
    uint32_t functionReference;
    uint32_t blockOffset;
};

struct LayoutEntry {
    uint32_t kind;  // 0 value, 1 pointer to method-table slot `value`
    uint32_t word;
    uint32_t value;
};

struct ClassRecord {
    uint32_t name = 0;
    uint32_t flags = 0;
    std::vector<BaseEntry> bases;
    std::vector<FunctionRecord> functions;  // the initializer last
    std::vector<MemberEntry> members;
    std::vector<MethodSlot> methods;
    uint32_t instanceSize = 0;  // words
    std::vector<LayoutEntry> layout;
    WordView referenceSlots;
};

// A parsed image; texts and code point into the caller's bytes, which must
// outlive it.
struct LibraryImage {
    LibraryHeader header;
    std::string_view name;
    std::vector<Dependency> dependencies;
    std::vector<std::string_view> strings;
    std::vector<ClassReference> classReferences;
    std::vector<FunctionReference> functionReferences;
    std::vector<ClassRecord> classes;

    std::string_view String(uint32_t index) const { return strings[index]; }
};

// Instance sizes beyond what 16-bit member slots can address are refused, so
// that no instance allocation follows from an absurd word count.
constexpr uint32_t kMaxInstanceWords = 65536 + 3;

// The header probe of registration: the first 20 bytes; false when they are
// missing or the magic is wrong.
bool ProbeLibraryHeader(const uint8_t* data, size_t size, LibraryHeader* header);

// The whole image; on false `error` says what and where, and `image` holds
// nothing usable.
bool ReadLibraryImage(const uint8_t* data, size_t size, LibraryImage* image, ImageError* error);

}  // namespace GSImage
