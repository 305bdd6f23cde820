// Counted blocks of value bytes: owned copies and views into bytes another object keeps alive.
#include "soup/acs_raw_data.h"

#include <cstdlib>
#include <cstring>

ACSRawDataCore::~ACSRawDataCore()
{
    if (separate_)
        FreeBytes(const_cast<uint8_t*>(data_));
    if (owner_ != nullptr)
        owner_->Release();
}

uint8_t* ACSRawDataCore::AllocateBytes(int32_t size)
{
    if (size < 0)
        return nullptr;
    return static_cast<uint8_t*>(std::malloc(size == 0 ? 1 : size_t(size)));
}

void ACSRawDataCore::FreeBytes(uint8_t* bytes)
{
    std::free(bytes);
}

RawDataRef ACSRawDataCore::Adopt(uint8_t* bytes, int32_t size)
{
    if (bytes == nullptr)
        return nullptr;
    if (size <= 0) {
        FreeBytes(bytes);
        return nullptr;
    }
    return RawDataRef::Adopt(new ACSRawDataCore(bytes, size, true, true, nullptr));
}

RawDataRef ACSRawDataCore::Copy(const void* bytes, int32_t size)
{
    if (bytes == nullptr || size <= 0)
        return nullptr;
    // One allocation: the object, then its bytes.
    auto* block = new (TrailingBytes{size_t(size)}) ACSRawDataCore(nullptr, size, true, false, nullptr);
    uint8_t* copy = reinterpret_cast<uint8_t*>(block + 1);
    std::memcpy(copy, bytes, size_t(size));
    block->data_ = copy;
    return RawDataRef::Adopt(block);
}

RawDataRef ACSRawDataCore::View(const uint8_t* bytes, int32_t size, ReferenceCountMP* owner)
{
    if (bytes == nullptr || size <= 0)
        return nullptr;
    if (owner != nullptr)
        owner->AddRef();
    return RawDataRef::Adopt(new ACSRawDataCore(bytes, size, false, false, owner));
}

RawDataRef ACSRawDataCore::ViewOfChunk(const ChunkRef& chunk)
{
    if (!chunk)
        return nullptr;
    return View(chunk->GetData(), chunk->GetDataSize(), chunk.Get());
}
