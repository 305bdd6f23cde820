// The base behaviour of a soup node (an empty node) and the process-wide null chunk.
#include "soup/acs_chunk.h"

#include "soup/acs_raw_data.h"

ChunkRef ACSChunk::GetNamedTag(const Zel::PString&)
{
    return GetNullChunk();
}

ChunkRef ACSChunk::GetNamedTagConst(const Zel::PString&) const
{
    return GetNullChunk();
}

int32_t ACSChunk::CountTags() const
{
    return 0;
}

bool ACSChunk::GetIndexedTag(int32_t, Zel::PString& name, ChunkRef& chunk) const
{
    name = Zel::PString();
    chunk = GetNullChunk();
    return false;
}

void ACSChunk::SortTags() {}

void ACSChunk::SwapTags(ChunkRef, ChunkRef) {}

void ACSChunk::AddNamedTag(const Zel::PString&, ChunkRef) {}

void ACSChunk::RemoveTag(ChunkRef) {}

void ACSChunk::RemoveNamedTag(const Zel::PString& name)
{
    ChunkRef found = GetNamedTagConst(name);
    if (found.Get() == NullChunk())
        return;
    RemoveTag(std::move(found));
}

ChunkRef ACSChunk::CreateDataTag(int32_t, RawDataRef)
{
    return GetNullChunk();
}

const uint8_t* ACSChunk::GetData() const
{
    return nullptr;
}

int32_t ACSChunk::GetDataSize() const
{
    return 0;
}

int32_t ACSChunk::GetType() const
{
    return SoupTypeNone;
}

void ACSChunk::SetData(int32_t, RawDataRef) {}

bool ACSChunk::GetBinaryIdentity(const TDBBinaryFile*& file, uint32_t& entry) const
{
    file = nullptr;
    entry = 0;
    return false;
}

ACSChunk* ACSChunk::NullChunk()
{
    // Made on first use (thread-safe static) and kept for the life of the
    // process: its one creation reference is never released.
    static ACSChunk* const nullChunk = new ACSChunk();
    return nullChunk;
}

ChunkRef ACSChunk::GetNullChunk()
{
    return ChunkRef::Share(NullChunk());
}

bool IsAbsentChunk(const ACSChunk* chunk)
{
    return chunk == nullptr || chunk == ACSChunk::NullChunk() || chunk->GetType() == SoupTypeNone;
}
