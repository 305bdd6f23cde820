// GSSourceFile: plain and protected DudoRazuzu sources.
#include "script/common/source_file.h"

#include <cstring>
#include <new>

#include "script/common/whole_file_write.h"
#include "zel/lzss_compress.h"

Zel::PString GSSourceFile::LoadPrefix;

namespace {

// Table 9c41e27a05bd38f16e2a7d40c953b81f2e6d0a94f7c35b18d62e09a4713fbc58.
constexpr uint8_t kScrambleTable[32] = {0x9c, 0x41, 0xe2, 0x7a, 0x05, 0xbd, 0x38, 0xf1, 0x6e, 0x2a, 0x7d,
                                        0x40, 0xc9, 0x53, 0xb8, 0x1f, 0x2e, 0x6d, 0x0a, 0x94, 0xf7, 0xc3,
                                        0x5b, 0x18, 0xd6, 0x2e, 0x09, 0xa4, 0x71, 0x3f, 0xbc, 0x58};

uint32_t ReadU32(const uint8_t* bytes)
{
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}

void WriteU32(uint8_t* bytes, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[i] = uint8_t(value >> (8 * i));
}

// Every size here is bounded by the file limits, so an allocation failure is
// a refusal, not a crash. One byte more, zero, so a text is also a C string.
std::unique_ptr<uint8_t[]> Allocate(size_t size)
{
    std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[size + 1]);
    if (bytes != nullptr)
        bytes[size] = 0;
    return bytes;
}

}  // namespace

GSSourceFile::GSSourceFile()
{
    Reset();
}

GSSourceFile::~GSSourceFile()
{
    Clear();
}

void GSSourceFile::Clear()
{
    data_.reset();
    protected_ = false;
    length_ = 0;
    textLength_ = 0;
    loadPath_.Clear();
    savePath_.Clear();
    headerWord_ = 0;
}

void GSSourceFile::Reset()
{
    Clear();
    prefixLength_ = 0;
    headerWord_ = 1;
}

void GSSourceFile::Scramble(uint8_t* payload, size_t length)
{
    for (size_t i = 0; i < length; ++i)
        payload[i] ^= kScrambleTable[i % 32];
}

void GSSourceFile::TakePrefix()
{
    LoadPrefix = Zel::PString();
}

void GSSourceFile::SetText(const void* text, uint32_t length)
{
    Reset();
    data_ = Allocate(length);
    if (data_ == nullptr)
        return;
    if (length != 0)
        std::memcpy(data_.get(), text, length);
    length_ = length;
    textLength_ = length;
}

bool GSSourceFile::Load(const char* container, const char* path)
{
    Reset();
    loadPath_ = path;
    container_ = container ? container : "";
    // Opening finds the file or fails: a look beforehand would only resolve
    // the same name twice.
    if (loadPath_.IsExt("gs"))
        return LoadPlain();
    if (loadPath_.IsExt("gse"))
        return LoadProtected();
    return false;
}

bool GSSourceFile::LoadPlain()
{
    Zel::File file;
    if (file.Open(Container(), loadPath_.c_str(), Zel::File::ModeRead) != 0)
        return false;
    const int64_t size = file.Size();
    if (size < 0 || size > int64_t(kMaxTextLength))
        return false;
    const Zel::PString prefix = LoadPrefix;
    if (prefix.Length() > kMaxTextLength)
        return false;
    const size_t total = size_t(size) + prefix.Length();
    std::unique_ptr<uint8_t[]> data = Allocate(total);
    if (data == nullptr)
        return false;
    if (file.Read(data.get() + prefix.Length(), size) != size)
        return false;
    std::memcpy(data.get(), prefix.c_str(), prefix.Length());
    TakePrefix();
    data_ = std::move(data);
    length_ = uint32_t(total);
    textLength_ = uint32_t(total);
    prefixLength_ = uint32_t(prefix.Length());
    return true;
}

bool GSSourceFile::LoadProtected()
{
    Zel::File file;
    if (file.Open(Container(), loadPath_.c_str(), Zel::File::ModeRead) != 0)
        return false;
    uint8_t header[kHeaderSize];
    if (file.Read(header, kHeaderSize) != kHeaderSize)
        return false;
    headerWord_ = ReadU32(header);
    const uint32_t payloadLength = ReadU32(header + 8);
    // The payload must hold its length word and at least one stream byte.
    if (payloadLength < 5 || payloadLength > kMaxPayloadLength)
        return false;
    std::unique_ptr<uint8_t[]> data = Allocate(payloadLength);
    if (data == nullptr)
        return false;
    if (file.Read(data.get(), payloadLength) != int64_t(payloadLength))
        return false;
    data_ = std::move(data);
    length_ = payloadLength;
    protected_ = true;
    return true;
}

bool GSSourceFile::Protect()
{
    if (protected_)
        return true;
    // A protected file of an empty text could never be loaded again (its
    // length word must be above 0), so none is made.
    if (data_ == nullptr || length_ == 0)
        return false;
    if (textLength_ == 0)
        textLength_ = length_;
    const uint32_t textLength = length_;
    // Capacity L + 1: the coder falls back to its stored form when the coded
    // one would not fit, and the stored form always does.
    std::unique_ptr<uint8_t[]> payload = Allocate(size_t(textLength) + 5);
    if (payload == nullptr)
        return false;
    Zel::LZSSCompress coder;
    const size_t coded =
        coder.CompressBlock(payload.get() + 4, size_t(textLength) + 1, data_.get(), textLength, kCompressionLevel);
    // A text that codes to more than a loader accepts would make a file that
    // can never be read again; refusing it keeps the failure at the save.
    if (coded == 0 || coded + 4 > kMaxPayloadLength)
        return false;
    WriteU32(payload.get(), textLength);
    data_ = std::move(payload);
    length_ = uint32_t(coded + 4);
    Scramble(data_.get(), length_);
    protected_ = true;
    return true;
}

bool GSSourceFile::Unprotect()
{
    if (!protected_)
        return true;
    // The payload is descrambled into a copy, so a refused file leaves
    // nothing half-converted behind.
    uint8_t lengthWord[4];
    if (data_ == nullptr || length_ < 5) {
        Clear();
        return false;
    }
    std::memcpy(lengthWord, data_.get(), 4);
    Scramble(lengthWord, 4);
    const uint32_t textLength = ReadU32(lengthWord);
    if (textLength == 0 || textLength > kMaxTextLength) {
        Clear();
        return false;
    }
    std::unique_ptr<uint8_t[]> stream = Allocate(length_);
    if (stream == nullptr) {
        Clear();
        return false;
    }
    std::memcpy(stream.get(), data_.get(), length_);
    Scramble(stream.get(), length_);
    const Zel::PString prefix = LoadPrefix;
    const size_t total = size_t(textLength) + prefix.Length();
    std::unique_ptr<uint8_t[]> text = prefix.Length() > kMaxTextLength ? nullptr : Allocate(total);
    if (text == nullptr) {
        Clear();
        return false;
    }
    Zel::LZSSCompress coder;
    const size_t decoded =
        coder.DecompressBlock(text.get() + prefix.Length(), textLength, stream.get() + 4, length_ - 4);
    if (decoded != textLength) {
        Clear();
        return false;
    }
    std::memcpy(text.get(), prefix.c_str(), prefix.Length());
    TakePrefix();
    data_ = std::move(text);
    length_ = uint32_t(total);
    if (textLength_ == 0)
        textLength_ = length_;
    prefixLength_ = uint32_t(prefix.Length());
    protected_ = false;
    return true;
}

const char* GSSourceFile::Text()
{
    if (!Unprotect() || data_ == nullptr)
        return nullptr;
    return reinterpret_cast<const char*>(data_.get());
}

uint32_t GSSourceFile::TextLength()
{
    if (textLength_ != 0)
        return textLength_;
    if (!Unprotect())
        return 0;
    return length_;
}

bool GSSourceFile::Save(const char* container, const char* path)
{
    savePath_ = path;
    container_ = container ? container : "";
    if (savePath_.IsExt("gse"))
        return SaveProtected();
    if (savePath_.IsExt("gs"))
        return SavePlain();
    return false;
}

bool GSSourceFile::SaveProtected()
{
    if (!Protect())
        return false;
    if (savePath_.IsEmpty())
        return false;
    uint8_t header[kHeaderSize];
    WriteU32(header, headerWord_);
    WriteU32(header + 4, 0);
    WriteU32(header + 8, length_);
    WriteU32(header + 12, 0);
    return Utils::WriteWholeFile(Container(), savePath_.c_str(), header, kHeaderSize, data_.get(), length_);
}

bool GSSourceFile::SavePlain()
{
    // Nothing loaded (or a refused file, which was cleared): nothing to save.
    if (!Unprotect() || data_ == nullptr)
        return false;
    if (savePath_.IsEmpty())
        return false;
    return Utils::WriteWholeFile(Container(), savePath_.c_str(), nullptr, 0, data_.get(), length_);
}
