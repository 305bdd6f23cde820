// The ".kin" animation reader (bounded at every field) and writer.
#include "zel/kin_animation.h"

#include <cstring>

#include "zel/jirf.h"

namespace Zel {

namespace {

constexpr uint32_t FileType = JIRFTag("KANM");
constexpr uint32_t InfoTag = JIRFTag("KINF");
constexpr uint32_t BonesTag = JIRFTag("KBON");
constexpr uint32_t KeysTag = JIRFTag("KKEY");
constexpr size_t KeyBytes = 7 * 4;

// A chunk's body, bounded by its own size and by the data.
struct Body {
    const uint8_t* data = nullptr;
    size_t position = 0;
    size_t end = 0;

    bool Word(uint32_t& value)
    {
        if (end - position < 4)
            return false;
        return JIRFReadWord(data, end, position, value);
    }
    bool Float(float& value)
    {
        uint32_t word = 0;
        if (!Word(word))
            return false;
        std::memcpy(&value, &word, 4);
        return true;
    }
    // Text up to a NUL inside the body, then the padding of the string.
    bool PaddedString(std::string& text)
    {
        const void* nul = std::memchr(data + position, 0, end - position);
        if (nul == nullptr)
            return false;
        const size_t length = static_cast<size_t>(static_cast<const uint8_t*>(nul) - (data + position));
        text.assign(reinterpret_cast<const char*>(data + position), length);
        const size_t padded = (length + 4) & ~size_t{3};
        if (end - position < padded)
            return false;
        position += padded;
        return true;
    }
};

// Reads the head of the next chunk, which must be tag; the body runs to the chunk's end.
int OpenChunk(const uint8_t* data, size_t contentEnd, size_t& position, uint32_t tag, Body& body)
{
    JIRFChunkHead head = JIRFReadChunkHead(data, contentEnd, position, tag);
    if (!head.tagRead || head.tag != tag || !head.sizeRead || !head.versionRead)
        return KinTruncated;
    if (head.size < 4 || head.End() > static_cast<int64_t>(contentEnd))
        return KinTruncated;
    if (head.version != KinChunkVersion)
        return KinUnknownVersion;
    body.data = data;
    body.position = position;
    body.end = static_cast<size_t>(head.End());
    position = body.end;
    return KinOk;
}

int ReadContent(const uint8_t* data, size_t contentEnd, size_t position, KinAnimation& animation)
{
    Body info;
    if (int result = OpenChunk(data, contentEnd, position, InfoTag, info); result != KinOk)
        return result;
    uint32_t boneCount = 0;
    if (!info.Word(boneCount) || !info.Word(animation.frameCount) || !info.Float(animation.framesPerSecond))
        return KinTruncated;

    Body bones;
    if (int result = OpenChunk(data, contentEnd, position, BonesTag, bones); result != KinOk)
        return result;
    // Every name takes four bytes at least.
    if (uint64_t{boneCount} * 4 > bones.end - bones.position)
        return KinTruncated;
    animation.bones.resize(boneCount);
    for (std::string& name : animation.bones) {
        if (!bones.PaddedString(name))
            return KinTruncated;
    }

    Body keys;
    if (int result = OpenChunk(data, contentEnd, position, KeysTag, keys); result != KinOk)
        return result;
    const uint64_t keyCount = uint64_t{animation.frameCount} * boneCount;
    if (keyCount > (keys.end - keys.position) / KeyBytes)
        return KinTruncated;
    animation.keys.resize(static_cast<size_t>(keyCount));
    for (KinKey& key : animation.keys) {
        for (float& value : key.position)
            keys.Float(value);
        for (float& value : key.rotation)
            keys.Float(value);
    }
    return KinOk;
}

class Bytes {
public:
    std::vector<uint8_t> out;

    void Word(uint32_t value)
    {
        for (int k = 0; k < 4; ++k)
            out.push_back(static_cast<uint8_t>(value >> (8 * k)));
    }
    void Float(float value)
    {
        uint32_t word = 0;
        std::memcpy(&word, &value, 4);
        Word(word);
    }
    void PaddedString(const std::string& text)
    {
        out.insert(out.end(), text.begin(), text.end());
        out.insert(out.end(), ((text.size() + 4) & ~size_t{3}) - text.size(), 0);
    }
    size_t Mark()
    {
        Word(0);
        return out.size() - 4;
    }
    void Patch(size_t mark)
    {
        const uint32_t size = static_cast<uint32_t>(out.size() - mark - 4);
        for (int k = 0; k < 4; ++k)
            out[mark + static_cast<size_t>(k)] = static_cast<uint8_t>(size >> (8 * k));
    }
    size_t BeginChunk(uint32_t tag)
    {
        Word(tag);
        size_t mark = Mark();
        Word(static_cast<uint32_t>(KinChunkVersion));
        return mark;
    }
};

}  // namespace

int ReadKinAnimation(const uint8_t* data, size_t size, KinAnimation& animation)
{
    animation = KinAnimation();
    size_t position = 0;
    JIRFHeader header;
    if (data == nullptr || !JIRFReadHeader(data, size, position, header) || header.type != FileType)
        return KinNotAnimation;
    if (header.contentEnd < static_cast<int64_t>(position) || header.contentEnd > static_cast<int64_t>(size))
        return KinTruncated;
    int result = ReadContent(data, static_cast<size_t>(header.contentEnd), position, animation);
    if (result != KinOk)
        animation = KinAnimation();
    return result;
}

std::vector<uint8_t> WriteKinAnimation(const KinAnimation& animation)
{
    Bytes w;
    w.Word(JIRFTag("JIRF"));
    const size_t content = w.Mark();
    w.Word(FileType);

    size_t chunk = w.BeginChunk(InfoTag);
    w.Word(static_cast<uint32_t>(animation.bones.size()));
    w.Word(animation.frameCount);
    w.Float(animation.framesPerSecond);
    w.Patch(chunk);

    chunk = w.BeginChunk(BonesTag);
    for (const std::string& name : animation.bones)
        w.PaddedString(name);
    w.Patch(chunk);

    chunk = w.BeginChunk(KeysTag);
    const size_t keyCount = size_t{animation.frameCount} * animation.bones.size();
    const KinKey rest;
    for (size_t i = 0; i < keyCount; ++i) {
        const KinKey& key = i < animation.keys.size() ? animation.keys[i] : rest;
        for (float value : key.position)
            w.Float(value);
        for (float value : key.rotation)
            w.Float(value);
    }
    w.Patch(chunk);

    w.Patch(content);
    return std::move(w.out);
}

}  // namespace Zel
