// SoupHandle reads, setters and copies.
#include "soup/soup_handle.h"
#include "soup/soup_words.h"

#include <cstring>
#include <string>
#include <vector>

#include "soup/acs_converter.h"
#include "soup/acs_raw_data.h"
#include "soup/copy_chunk_tree.h"
#include "soup/tdb_container_tag.h"

namespace {

// True when `wanted` is `top` or lies somewhere in top's tree.
bool TreeHolds(const ChunkRef& top, const ACSChunk* wanted)
{
    std::vector<ChunkRef> pending{top};
    while (!pending.empty()) {
        ChunkRef chunk = std::move(pending.back());
        pending.pop_back();
        if (chunk.Get() == wanted)
            return true;
        if (chunk->GetType() != SoupTypeContainer)
            continue;
        const int32_t count = chunk->CountTags();
        for (int32_t i = 0; i < count; ++i) {
            Zel::PString name;
            ChunkRef child;
            if (chunk->GetIndexedTag(i, name, child) && child->GetType() == SoupTypeContainer)
                pending.push_back(std::move(child));
        }
    }
    return false;
}

// A value converted to text, up to its first zero byte; "" when it has none.
Zel::PString TextOfChunk(const ChunkRef& tag)
{
    if (!tag)
        return Zel::PString("");
    const RawDataRef text = ConvertDataBlock(tag->GetType(), ACSRawDataCore::ViewOfChunk(tag), SoupTypeText);
    if (!text)
        return Zel::PString("");
    const char* bytes = reinterpret_cast<const char*>(text->Data());
    const void* zero = std::memchr(bytes, 0, size_t(text->Size()));
    const size_t length = zero ? size_t(static_cast<const char*>(zero) - bytes) : size_t(text->Size());
    return Zel::PString(bytes, length);
}

}  // namespace

SoupHandle SoupHandle::FromChunk(ChunkRef chunk)
{
    SoupHandle handle;
    if (chunk && chunk.Get() != ACSChunk::NullChunk() && chunk->GetType() != SoupTypeNone)
        handle.root_ = std::move(chunk);
    return handle;
}

void SoupHandle::EnsureContainer()
{
    if (!root_)
        root_ = ChunkRef::Adopt(new TDBContainerTag());
}

ChunkRef SoupHandle::GetContainer()
{
    EnsureContainer();
    return root_;
}

void SoupHandle::Copy(const SoupHandle& other)
{
    // Hold the source while the root is replaced: other may be this handle.
    const ChunkRef source = other.root_;
    root_ = ChunkRef::Adopt(new TDBContainerTag());
    if (source)
        CopyChunkTree(root_, source);
}

int32_t SoupHandle::CountTags() const
{
    return root_ ? root_->CountTags() : 0;
}

bool SoupHandle::IsEmpty() const
{
    return IsAbsentChunk(root_);
}

ChunkRef SoupHandle::FindPresentTag(const Zel::PString& name) const
{
    if (!root_)
        return nullptr;
    ChunkRef tag = root_->GetNamedTag(name);
    if (IsAbsentChunk(tag))
        return nullptr;
    return tag;
}

bool SoupHandle::HasNamedTag(const Zel::PString& name) const
{
    return bool(FindPresentTag(name));
}

int32_t SoupHandle::GetNamedTagType(const Zel::PString& name) const
{
    const ChunkRef tag = FindPresentTag(name);
    return tag ? tag->GetType() : SoupTypeNone;
}

Zel::PString SoupHandle::GetIndexedTagName(int32_t index) const
{
    Zel::PString name;
    ChunkRef chunk;
    if (!root_ || !root_->GetIndexedTag(index, name, chunk))
        return Zel::PString("");
    return name;
}

SoupHandle SoupHandle::GetNamedSoup(const Zel::PString& name) const
{
    ChunkRef tag = FindPresentTag(name);
    if (!tag || tag->GetType() != SoupTypeContainer)
        return SoupHandle();
    return FromChunk(std::move(tag));
}

SoupHandle SoupHandle::GetIndexedSoup(int32_t index) const
{
    Zel::PString name;
    ChunkRef chunk;
    if (!root_ || !root_->GetIndexedTag(index, name, chunk) || chunk->GetType() != SoupTypeContainer)
        return SoupHandle();
    return FromChunk(std::move(chunk));
}

RawDataRef SoupHandle::GetNamedTagBlock(const Zel::PString& name) const
{
    const ChunkRef tag = FindPresentTag(name);
    if (!tag)
        return nullptr;
    return ACSRawDataCore::ViewOfChunk(tag);
}

RawDataRef SoupHandle::ConvertedTag(const Zel::PString& name, int32_t toType) const
{
    const ChunkRef tag = FindPresentTag(name);
    if (!tag)
        return nullptr;
    return ConvertDataBlock(tag->GetType(), ACSRawDataCore::ViewOfChunk(tag), toType);
}

Zel::PString SoupHandle::GetNamedTag(const Zel::PString& name) const
{
    return TextOfChunk(FindPresentTag(name));
}

bool SoupHandle::GetIndexedTagText(int32_t index, Zel::PString& name, Zel::PString& text) const
{
    ChunkRef chunk;
    text = Zel::PString("");
    if (!root_ || !root_->GetIndexedTag(index, name, chunk)) {
        name = Zel::PString("");
        return false;
    }
    if (!IsAbsentChunk(chunk))
        text = TextOfChunk(chunk);
    return true;
}

int32_t SoupHandle::GetNamedTagAsInt(const Zel::PString& name, int32_t defaultValue) const
{
    const RawDataRef value = ConvertedTag(name, SoupTypeInt);
    if (!value || value->Size() != 4)
        return defaultValue;
    return int32_t(LoadSoupWord(value->Data()));
}

bool SoupHandle::GetNamedTagAsBool(const Zel::PString& name, bool defaultValue) const
{
    return GetNamedTagAsInt(name, defaultValue ? 1 : 0) != 0;
}

float SoupHandle::GetNamedTagAsFloat(const Zel::PString& name, float defaultValue) const
{
    const RawDataRef value = ConvertedTag(name, SoupTypeFloat);
    if (!value || value->Size() != 4)
        return defaultValue;
    float result;
    std::memcpy(&result, value->Data(), 4);
    return result;
}

KUID SoupHandle::GetNamedTagAsKUID(const Zel::PString& name, const KUID& defaultValue) const
{
    const RawDataRef value = ConvertedTag(name, SoupTypeKUID);
    if (!value || value->Size() != 8)
        return defaultValue;
    return KUID::Unpack(LoadSoupWord(value->Data()), LoadSoupWord(value->Data() + 4));
}

bool SoupHandle::GetCameraList(FloatArray& out) const
{
    out.Clear();
    static const Zel::PString camera("camera");
    const RawDataRef values = ConvertedTag(camera, SoupTypeFloat);
    if (!values)
        return false;
    const int32_t count = values->Size() / 4;
    for (int32_t i = 0; i < count; ++i) {
        float value;
        std::memcpy(&value, values->Data() + 4 * i, 4);
        out.Add(value);
    }
    return count > 0;
}

Zel::PString SoupHandle::MakeUniqueTagName() const
{
    for (int32_t number = 0;; ++number) {
        Zel::PString name(std::to_string(number));
        if (!HasNamedTag(name))
            return name;
    }
}

ACSChunk* SoupHandle::WritableRoot()
{
    EnsureContainer();
    return root_.Get();
}

void SoupHandle::SetNamedTagBlock(const Zel::PString& name, int32_t type, RawDataRef block)
{
    ACSChunk* root = WritableRoot();
    root->RemoveNamedTag(name);
    root->AddNamedTag(name, root->CreateDataTag(type, std::move(block)));
}

void SoupHandle::SetNamedTag(const Zel::PString& name, const char* text)
{
    const size_t length = text ? std::strlen(text) : 0;
    RawDataRef block;
    if (length > 0)
        block = ACSRawDataCore::Copy(text, int32_t(length + 1));
    SetNamedTagBlock(name, SoupTypeText, std::move(block));
}

void SoupHandle::SetNamedTagInt(const Zel::PString& name, int32_t value)
{
    uint8_t bytes[4];
    StoreSoupWord(bytes, uint32_t(value));
    SetNamedTagBlock(name, SoupTypeInt, ACSRawDataCore::Copy(bytes, 4));
}

void SoupHandle::SetNamedTagBool(const Zel::PString& name, bool flag)
{
    SetNamedTagInt(name, flag ? 1 : 0);
}

void SoupHandle::SetNamedTagFloat(const Zel::PString& name, float value)
{
    SetNamedTagBlock(name, SoupTypeFloat, ACSRawDataCore::Copy(&value, 4));
}

void SoupHandle::SetNamedTagFloatList(const Zel::PString& name, const FloatArray& values)
{
    if (values.IsEmpty()) {
        RemoveNamedTag(name);
        return;
    }
    SetNamedTagBlock(name, SoupTypeFloat, ACSRawDataCore::Copy(values.Data(), values.Count() * 4));
}

void SoupHandle::SetNamedTagKUID(const Zel::PString& name, const KUID& id)
{
    const KUID::Packed packed = id.Pack();
    uint8_t bytes[8];
    StoreSoupWord(bytes, packed.first);
    StoreSoupWord(bytes + 4, packed.second);
    SetNamedTagBlock(name, SoupTypeKUID, ACSRawDataCore::Copy(bytes, 8));
}

void SoupHandle::SetNamedTagEmpty(const Zel::PString& name)
{
    SetNamedTagBlock(name, SoupTypeNone, nullptr);
}

void SoupHandle::SetNamedSoup(const Zel::PString& name, SoupHandle& other)
{
    ACSChunk* root = WritableRoot();
    other.EnsureContainer();
    if (TreeHolds(other.root_, root))
        return;
    root->RemoveNamedTag(name);
    root->AddNamedTag(name, other.root_);
}

void SoupHandle::RemoveNamedTag(const Zel::PString& name)
{
    if (root_)
        root_->RemoveNamedTag(name);
}
