// Interned, reference-counted strings: equal texts share one node, so names compare by handle.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace Zel {

// One interned text. Nodes are owned by the cache; a node whose count drops
// to 0 stays interned until PStringCache::CollectGarbage.
struct PStringNode {
    std::atomic<int32_t> references;
    uint32_t hash;
    uint32_t length;
    char text[1];  // length bytes and a terminating zero
};

class PString;

// The process-wide intern table. Thread-safe: the table is split in shards,
// each behind its own lock, so threads interning different names rarely meet.
class PStringCache {
public:
    // Interns the text and returns a handle holding one reference. A null
    // pointer gives the null handle; "" gives the (non-null) empty node.
    static PString Create(const char* text);
    static PString Create(const char* text, size_t length);
    static PString Create(std::string_view text);
    // Releases the handle's reference and makes it null.
    static void Destroy(PString& string);

    // Edits return a new node and leave the source alone. Case changes are
    // ASCII only: bytes 0x80 and above are kept.
    static PString ToLower(const PString& string);
    static PString ToUpper(const PString& string);
    // Inserts text at position (clamped to the length).
    static PString Ins(const PString& string, size_t position, const char* text);
    // Removes count bytes from position (both clamped).
    static PString Del(const PString& string, size_t position, size_t count);

    // Frees every node that nothing references; returns how many were freed.
    static size_t CollectGarbage();
    // For a process about to end: later collections free nothing and return
    // 0. Its memory goes back with the process, so the work would be unseen.
    static void StopCollecting();
    // Nodes interned now (referenced or not); for tests and diagnostics.
    static size_t Count();

private:
    friend class PString;
    // Marks the shard of a node whose count just reached 0, so collection
    // walks only the shards that can hold something to free.
    static void NoteUnheld(uint32_t hash) noexcept;
};

// A handle on one node (or null). A null handle reads as the empty string.
class PString {
public:
    PString() noexcept = default;
    PString(const char* text);  // interns; null gives the null handle
    PString(const char* text, size_t length);
    explicit PString(std::string_view text);
    explicit PString(const std::string& text);
    PString(const PString& other) noexcept;
    PString(PString&& other) noexcept : node_(other.node_) { other.node_ = nullptr; }
    ~PString() { Release(); }

    PString& operator=(const PString& other) noexcept;
    PString& operator=(PString&& other) noexcept;
    PString& operator=(const char* text);

    // Drops the reference; the handle becomes null.
    void Release() noexcept;

    const char* c_str() const { return node_ ? node_->text : ""; }
    const char* Text() const { return c_str(); }
    size_t Length() const { return node_ ? node_->length : 0; }
    std::string_view View() const { return std::string_view(c_str(), Length()); }
    bool IsNull() const { return node_ == nullptr; }
    bool IsEmpty() const { return Length() == 0; }
    const PStringNode* Node() const { return node_; }
    uint32_t Hash() const;

    PString ToLower() const { return PStringCache::ToLower(*this); }
    PString ToUpper() const { return PStringCache::ToUpper(*this); }

    // Replaces the string by its ASCII lower-case form in place. Returns false
    // only when the result had to be cut, which never happens here; a null or
    // empty string is left alone (true).
    static bool MakeLowerCase(PString& string);

    // Identity: the same node, or both empty (null counts as empty).
    bool operator==(const PString& other) const
    {
        return node_ == other.node_ || (Length() == 0 && other.Length() == 0);
    }
    bool operator!=(const PString& other) const { return !(*this == other); }
    // Text comparison with plain text.
    bool operator==(const char* text) const;
    bool operator!=(const char* text) const { return !(*this == text); }
    // Byte-wise unsigned order of the texts (null = empty).
    bool operator<(const PString& other) const;
    // Sign-only byte-wise unsigned comparison: -1, 0 or 1.
    int Compare(const PString& other) const;

private:
    friend class PStringCache;
    explicit PString(PStringNode* node) noexcept : node_(node) {}  // adopts one reference
    static void DropReference(PStringNode* node) noexcept;
    PStringNode* node_ = nullptr;
};

}  // namespace Zel

template <>
struct std::hash<Zel::PString> {
    size_t operator()(const Zel::PString& s) const noexcept { return s.Hash(); }
};
