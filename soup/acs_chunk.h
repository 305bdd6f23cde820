// The node interface of a soup tree, the shared null chunk and the in-memory value types.
#pragma once

#include <cstdint>

#include "foundation/containers/reference_count_mp.h"
#include "zel/pstring.h"

class ACSChunk;
class ACSRawDataCore;
class TDBBinaryFile;

using ChunkRef = ReferenceCountMPPtr<ACSChunk>;
using RawDataRef = ReferenceCountMPPtr<ACSRawDataCore>;

// In-memory value types of a chunk (the binary file uses other numbers).
enum SoupTagType : int32_t {
    SoupTypeNone = 0,       // a tag without value, and the null chunk
    SoupTypeContainer = 1,  // children instead of bytes
    SoupTypeRaw = 2,
    SoupTypeFloat = 3,  // 4 bytes per IEEE single
    SoupTypeText = 4,   // the text's bytes, as a rule with one zero byte
    SoupTypeText2 = 5,  // written like text by the binary writer; no converter
    SoupTypeInt = 6,    // 4 bytes per int32
    SoupTypeKUID = 7,   // packed word, then content id
};

// A node of a soup. The base class behaves as an empty node: lookups give the
// null chunk, changes do nothing. Chunks are never copied implicitly; every
// ChunkRef argument hands over one reference, every ChunkRef result is a new one.
class ACSChunk : public ReferenceCountMP {
public:
    ACSChunk() = default;
    ~ACSChunk() override = default;

    // A new reference to the first child of that name, or to the null chunk.
    virtual ChunkRef GetNamedTag(const Zel::PString& name);
    virtual ChunkRef GetNamedTagConst(const Zel::PString& name) const;
    virtual int32_t CountTags() const;
    // For 0 <= index < count: the name and chunk at that position and true;
    // otherwise the empty name, the null chunk and false.
    virtual bool GetIndexedTag(int32_t index, Zel::PString& name, ChunkRef& chunk) const;
    virtual void SortTags();
    // The two chunks change places, the names stay where they were.
    virtual void SwapTags(ChunkRef a, ChunkRef b);
    // Appends without testing for a duplicate name; a null chunk adds nothing.
    virtual void AddNamedTag(const Zel::PString& name, ChunkRef chunk);
    // Removes the first child holding this very chunk.
    virtual void RemoveTag(ChunkRef chunk);
    // Removes the child that GetNamedTagConst(name) finds (its position, so a
    // chunk stored under two names loses the right entry). The handle layer
    // removes tags through this.
    virtual void RemoveNamedTag(const Zel::PString& name);
    // Type 1 gives a new empty container; any other type a value tag.
    virtual ChunkRef CreateDataTag(int32_t type, RawDataRef block);
    virtual const uint8_t* GetData() const;
    virtual int32_t GetDataSize() const;
    virtual int32_t GetType() const;
    virtual void SetData(int32_t type, RawDataRef block);

    // When the chunk stands for an entry of a loaded binary soup: its file and
    // the entry's identity there (the offset of its payload in the body).
    virtual bool GetBinaryIdentity(const TDBBinaryFile*& file, uint32_t& entry) const;

    // The one null chunk of the process (made on first request, never freed).
    static ChunkRef GetNullChunk();
    // The bare pointer of the null chunk, for identity tests.
    static ACSChunk* NullChunk();
};

// Absent: a null pointer, the null chunk, or a chunk of type 0.
bool IsAbsentChunk(const ACSChunk* chunk);
inline bool IsAbsentChunk(const ChunkRef& chunk)
{
    return IsAbsentChunk(chunk.Get());
}
