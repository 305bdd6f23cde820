// The lazily read "ACS$" binary soup: the loaded file, its containers and values, and the edit overlay.
#pragma once

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "soup/acs_chunk.h"
#include "soup/binary_soup_entries.h"
#include "soup/tdb_container_tag.h"

class TStream;

// A loaded soup file.
class ACSFile : public ReferenceCountMP {
public:
    virtual bool Read(TStream& stream) = 0;
    virtual ChunkRef GetRoot() = 0;
};

// One loaded binary file: the header, the body bytes (16-byte aligned, owned)
// and the overlay of changes made to the soup since it was read. Nothing is
// decoded until asked for; every chunk made from the body holds a reference
// to the file. Identities are offsets into the body: a container's is the
// start of its payload (0 for the root), an entry's the start of its payload.
class TDBBinaryFile : public ACSFile {
public:
    TDBBinaryFile() = default;
    ~TDBBinaryFile() override;

    // Reads the header and the body. False for a wrong magic, a body length
    // beyond what the stream holds (or at or above 2^31) and a failed
    // allocation. A short body or one that fails the entry check leaves an
    // empty soup and true.
    bool Read(TStream& stream) override;
    // The null chunk without a body or for a version other than 0 and 1;
    // else a container over the whole body.
    ChunkRef GetRoot() override;

    int32_t GetVersion() const { return version_; }
    int32_t GetBodyLength() const { return bodyLength_; }
    const uint8_t* GetBody() const { return body_; }

    // The overlay. Removed body entries are keyed by (entry, container);
    // added tags are kept per container in the order they were added.
    struct AddedTag {
        Zel::PString name;
        ChunkRef chunk;
    };
    bool HasEdits() const { return edited_; }
    uint64_t GetGeneration() const { return generation_; }
    bool IsRemoved(uint32_t entry, uint32_t container) const;
    void MarkRemoved(uint32_t entry, uint32_t container);
    const std::vector<AddedTag>* AddedTags(uint32_t container) const;
    std::vector<AddedTag>& AddedTagsForChange(uint32_t container);
    void NoteChange();

private:
    void FreeBody();
    static uint64_t EntryKey(uint32_t entry, uint32_t container) { return uint64_t(entry) << 32 | container; }

    int32_t version_ = 0;
    int32_t bodyLength_ = 0;
    uint8_t* body_ = nullptr;
    bool edited_ = false;
    uint64_t generation_ = 0;
    std::unordered_set<uint64_t> removed_;
    std::unordered_map<uint32_t, std::vector<AddedTag>> added_;
};

// A container over a byte range of a file's body.
class TDBBinarySoup : public ACSChunk {
public:
    TDBBinarySoup(ReferenceCountMPPtr<TDBBinaryFile> file, uint32_t start, uint32_t length)
        : file_(std::move(file)), start_(start), length_(length)
    {}
    ~TDBBinarySoup() override = default;

    ChunkRef GetNamedTag(const Zel::PString& name) override;
    ChunkRef GetNamedTagConst(const Zel::PString& name) const override;
    int32_t CountTags() const override;
    // Live body entries in file order, then the added tags in the order added.
    bool GetIndexedTag(int32_t index, Zel::PString& name, ChunkRef& chunk) const override;
    void AddNamedTag(const Zel::PString& name, ChunkRef chunk) override;
    void RemoveTag(ChunkRef chunk) override;
    void RemoveNamedTag(const Zel::PString& name) override;
    ChunkRef CreateDataTag(int32_t type, RawDataRef block) override;
    int32_t GetType() const override { return SoupTypeContainer; }
    bool GetBinaryIdentity(const TDBBinaryFile*& file, uint32_t& entry) const override;

    // A new chunk for one entry (chunks are not cached: two lookups of one
    // entry give two chunks with the same identity).
    ChunkRef DecodeTag(const BinarySoupEntry& entry) const;

private:
    // Visits live body entries in order until the visitor returns false.
    template <class Visitor>
    void ForEachLiveEntry(Visitor visit) const;
    bool FindLiveEntry(std::string_view name, BinarySoupEntry& out) const;
    bool HoldsLiveEntry(uint32_t identity) const;
    int32_t FindAddedByChunk(const ACSChunk* chunk) const;
    int32_t FindAddedByName(const Zel::PString& name) const;
    int32_t CountLiveEntries() const;

    ReferenceCountMPPtr<TDBBinaryFile> file_;
    uint32_t start_;
    uint32_t length_;
    // The tag count and the position of the last indexed entry, valid for
    // one overlay generation of the file (another handle may change it).
    mutable int32_t cachedCount_ = -1;
    mutable uint64_t countGeneration_ = 0;
    mutable int32_t cursorIndex_ = -1;
    mutable uint32_t cursorOffset_ = 0;
    mutable uint64_t cursorGeneration_ = 0;
};

// A value over an entry's payload.
class TDBDataChunk : public ACSChunk {
public:
    TDBDataChunk(ReferenceCountMPPtr<TDBBinaryFile> file, RawDataRef view, int32_t type, uint32_t identity)
        : file_(std::move(file)), view_(std::move(view)), type_(type), identity_(identity)
    {}
    ~TDBDataChunk() override = default;

    const uint8_t* GetData() const override { return BlockData(view_); }
    int32_t GetDataSize() const override { return BlockSize(view_); }
    int32_t GetType() const override { return type_; }
    bool GetBinaryIdentity(const TDBBinaryFile*& file, uint32_t& entry) const override;

private:
    ReferenceCountMPPtr<TDBBinaryFile> file_;
    RawDataRef view_;
    int32_t type_;
    uint32_t identity_;
};

// A version-0 text decoded into bytes of its own (converted from the ANSI
// code page); it keeps its entry's identity so it can be removed by it.
class TDBBinaryTextTag : public TDBDataTag {
public:
    TDBBinaryTextTag(RawDataRef block, ReferenceCountMPPtr<TDBBinaryFile> file, uint32_t identity)
        : TDBDataTag(SoupTypeText, std::move(block)), file_(std::move(file)), identity_(identity)
    {}
    bool GetBinaryIdentity(const TDBBinaryFile*& file, uint32_t& entry) const override;

private:
    ReferenceCountMPPtr<TDBBinaryFile> file_;
    uint32_t identity_;
};
