// The in-memory container of a soup: named children in insertion order.
#pragma once

#include <vector>

#include "soup/acs_chunk.h"
#include "soup/acs_raw_data.h"

class TDBContainerTag : public ACSChunk {
public:
    TDBContainerTag() = default;
    ~TDBContainerTag() override = default;

    ChunkRef GetNamedTag(const Zel::PString& name) override;
    ChunkRef GetNamedTagConst(const Zel::PString& name) const override;
    int32_t CountTags() const override;
    bool GetIndexedTag(int32_t index, Zel::PString& name, ChunkRef& chunk) const override;
    // Byte order of the names (strcmp's), shorter before longer on a common
    // prefix; tags of equal names keep their order.
    void SortTags() override;
    void SwapTags(ChunkRef a, ChunkRef b) override;
    void AddNamedTag(const Zel::PString& name, ChunkRef chunk) override;
    void RemoveTag(ChunkRef chunk) override;
    void RemoveNamedTag(const Zel::PString& name) override;
    ChunkRef CreateDataTag(int32_t type, RawDataRef block) override;
    int32_t GetType() const override { return SoupTypeContainer; }

    // Readers that build a container from a fresh file know when a name is
    // new and append without the name scan; capacity hint for them.
    void ReserveTags(size_t count) { entries_.reserve(count); }

private:
    struct Entry {
        Zel::PString name;
        ChunkRef chunk;
    };
    // Position of the first entry with this name (by identity), or -1.
    int32_t FindName(const Zel::PString& name) const;
    int32_t FindChunk(const ACSChunk* chunk) const;

    std::vector<Entry> entries_;
};

// An in-memory value: a type and a data block (or none).
class TDBDataTag : public ACSChunk {
public:
    TDBDataTag(int32_t type, RawDataRef block) : block_(std::move(block)), type_(type) {}
    ~TDBDataTag() override = default;

    const uint8_t* GetData() const override { return ::BlockData(block_); }
    int32_t GetDataSize() const override { return ::BlockSize(block_); }
    int32_t GetType() const override { return type_; }
    void SetData(int32_t type, RawDataRef block) override;

private:
    RawDataRef block_;
    int32_t type_;
};
