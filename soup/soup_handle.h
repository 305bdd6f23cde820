// SoupHandle: how the program reads and writes a soup — named getters with defaults, typed setters, files.
#pragma once

#include <cstdint>

#include "soup/acs_chunk.h"
#include "soup/acs_raw_data.h"
#include "soup/float_array.h"
#include "kuid/kuid.h"
#include "zel/pstring.h"

class TStream;

// A counted reference to the root chunk of a soup (a container built in
// memory, a binary soup read from a file, or a data chunk). A null handle is
// the empty soup: every read gives its default. Copying a handle shares the
// tree; only Copy makes an independent one. Tag names are interned
// lower-case strings compared by identity.
class SoupHandle {
public:
    SoupHandle() = default;
    SoupHandle(const SoupHandle& other) = default;
    SoupHandle(SoupHandle&& other) noexcept = default;
    SoupHandle& operator=(const SoupHandle& other) = default;
    SoupHandle& operator=(SoupHandle&& other) noexcept = default;
    ~SoupHandle() = default;

    // A handle to a real chunk of a type other than 0; else the null handle.
    static SoupHandle FromChunk(ChunkRef chunk);

    // Both handles then see and change the same tree.
    void CopyRef(SoupHandle& out) const { out.root_ = root_; }
    void Assign(const SoupHandle& other) { root_ = other.root_; }
    void Clear() { root_.Reset(); }
    // A null handle gets a new empty container; anything else stays.
    void EnsureContainer();
    // EnsureContainer, then a new reference to the root.
    ChunkRef GetContainer();
    // Replaces the root by a new container holding a deep copy of other's tags.
    void Copy(const SoupHandle& other);
    const ChunkRef& Root() const { return root_; }

    // Reads; each gives its default on a null handle or a missing tag.
    int32_t CountTags() const;
    bool IsEmpty() const;
    bool HasNamedTag(const Zel::PString& name) const;
    int32_t GetNamedTagType(const Zel::PString& name) const;
    Zel::PString GetIndexedTagName(int32_t index) const;
    // The name and the value as text (as GetNamedTag converts it) of the tag
    // at an index; false with both empty when out of range.
    bool GetIndexedTagText(int32_t index, Zel::PString& name, Zel::PString& text) const;
    SoupHandle GetNamedSoup(const Zel::PString& name) const;
    SoupHandle GetIndexedSoup(int32_t index) const;
    RawDataRef GetNamedTagBlock(const Zel::PString& name) const;
    void GetNamedTagData(const Zel::PString& name, RawDataRef& out) const { out = GetNamedTagBlock(name); }
    // The value as text, up to its first zero byte; "" when absent or not convertible.
    Zel::PString GetNamedTag(const Zel::PString& name) const;
    int32_t GetNamedTagAsInt(const Zel::PString& name, int32_t defaultValue) const;
    bool GetNamedTagAsBool(const Zel::PString& name, bool defaultValue) const;
    float GetNamedTagAsFloat(const Zel::PString& name, float defaultValue) const;
    KUID GetNamedTagAsKUID(const Zel::PString& name, const KUID& defaultValue) const;
    // The tag "camera" as floats; false (and an empty array) when none.
    bool GetCameraList(FloatArray& out) const;
    // The first of "0", "1", "2", ... that HasNamedTag does not find.
    Zel::PString MakeUniqueTagName() const;

    // Setters: make the root a container when null, remove the first tag of
    // the name and append the new tag at the end. On a data-chunk root they
    // do nothing.
    void SetNamedTag(const Zel::PString& name, const char* text);
    void SetNamedTag(const Zel::PString& name, const Zel::PString& text) { SetNamedTag(name, text.c_str()); }
    void SetNamedTagInt(const Zel::PString& name, int32_t value);
    void SetNamedTagBool(const Zel::PString& name, bool flag);
    void SetNamedTagFloat(const Zel::PString& name, float value);
    // An empty array only removes the tag.
    void SetNamedTagFloatList(const Zel::PString& name, const FloatArray& values);
    void SetNamedTagKUID(const Zel::PString& name, const KUID& id);
    void SetNamedTagEmpty(const Zel::PString& name);
    // Stores other's root itself (shared). A null other gets a new container
    // that both then share. Storing a soup into itself or one of its own
    // descendants is refused (the tree would have a cycle).
    void SetNamedSoup(const Zel::PString& name, SoupHandle& other);
    void RemoveNamedTag(const Zel::PString& name);
    // Raw setter used by the readers: a value of any type, stored as the
    // setters do (remove the name, append).
    void SetNamedTagBlock(const Zel::PString& name, int32_t type, RawDataRef block);

    // Files. The form is chosen by the last extension ("txt" text; "chump",
    // "cdp", "cdp2" binary; case ignored), or by `format` when given. With a
    // folder name the path is relative to that top-level folder.
    bool SaveToFile(const Zel::PString& folder, const char* path, const char* format = nullptr) const;
    bool LoadFromFile(const Zel::PString& folder, const char* path, const char* format = nullptr);
    // A file saved through a temporary twin: P, else its ".tmp" copy.
    bool LoadWithTempFallback(const char* path, const Zel::PString& folder);

    // The text form as one log line, and on standard output.
    void Log() const;
    void PrintToConsole() const;

private:
    // The root when it holds a container that setters can change, else null.
    ACSChunk* WritableRoot();
    // The named tag when present and not of type 0; else null.
    ChunkRef FindPresentTag(const Zel::PString& name) const;
    // The named tag's value converted to a type; no block when absent.
    RawDataRef ConvertedTag(const Zel::PString& name, int32_t toType) const;

    ChunkRef root_;
};
