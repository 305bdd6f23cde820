// The in-memory container and value tags of a soup.
#include "soup/tdb_container_tag.h"

#include <algorithm>
#include <cstring>

#include "soup/acs_raw_data.h"

namespace {

// strcmp's order over the names' bytes, unsigned, shorter first on a common prefix.
bool NameLess(const Zel::PString& a, const Zel::PString& b)
{
    const size_t lengthA = a.Length();
    const size_t lengthB = b.Length();
    const int order = std::memcmp(a.c_str(), b.c_str(), std::min(lengthA, lengthB));
    if (order != 0)
        return order < 0;
    return lengthA < lengthB;
}

}  // namespace

int32_t TDBContainerTag::FindName(const Zel::PString& name) const
{
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].name == name)
            return int32_t(i);
    }
    return -1;
}

int32_t TDBContainerTag::FindChunk(const ACSChunk* chunk) const
{
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].chunk.Get() == chunk)
            return int32_t(i);
    }
    return -1;
}

ChunkRef TDBContainerTag::GetNamedTag(const Zel::PString& name)
{
    return GetNamedTagConst(name);
}

ChunkRef TDBContainerTag::GetNamedTagConst(const Zel::PString& name) const
{
    const int32_t at = FindName(name);
    if (at < 0)
        return GetNullChunk();
    return entries_[size_t(at)].chunk;
}

int32_t TDBContainerTag::CountTags() const
{
    return int32_t(entries_.size());
}

bool TDBContainerTag::GetIndexedTag(int32_t index, Zel::PString& name, ChunkRef& chunk) const
{
    if (index < 0 || size_t(index) >= entries_.size())
        return ACSChunk::GetIndexedTag(index, name, chunk);
    name = entries_[size_t(index)].name;
    chunk = entries_[size_t(index)].chunk;
    return true;
}

void TDBContainerTag::SortTags()
{
    if (entries_.size() < 2)
        return;
    std::stable_sort(entries_.begin(), entries_.end(),
                     [](const Entry& a, const Entry& b) { return NameLess(a.name, b.name); });
}

void TDBContainerTag::SwapTags(ChunkRef a, ChunkRef b)
{
    const int32_t atA = FindChunk(a.Get());
    const int32_t atB = FindChunk(b.Get());
    if (atA < 0 || atB < 0 || atA == atB)
        return;
    std::swap(entries_[size_t(atA)].chunk, entries_[size_t(atB)].chunk);
}

void TDBContainerTag::AddNamedTag(const Zel::PString& name, ChunkRef chunk)
{
    if (!chunk || chunk.Get() == NullChunk())
        return;
    entries_.push_back(Entry{name, std::move(chunk)});
}

void TDBContainerTag::RemoveTag(ChunkRef chunk)
{
    const int32_t at = FindChunk(chunk.Get());
    if (at >= 0)
        entries_.erase(entries_.begin() + at);
}

void TDBContainerTag::RemoveNamedTag(const Zel::PString& name)
{
    const int32_t at = FindName(name);
    if (at >= 0)
        entries_.erase(entries_.begin() + at);
}

ChunkRef TDBContainerTag::CreateDataTag(int32_t type, RawDataRef block)
{
    if (type == SoupTypeContainer)
        return ChunkRef::Adopt(new TDBContainerTag());
    return ChunkRef::Adopt(new TDBDataTag(type, std::move(block)));
}

void TDBDataTag::SetData(int32_t type, RawDataRef block)
{
    type_ = type;
    block_ = std::move(block);
}
