// The content signature ("dsid") of an archive entry's files: a cheap word checksum, not a cryptographic one.
#pragma once

#include <cstddef>
#include <cstdint>

#include "zel/pstring.h"

class SoupHandle;

// {checksum, length}; the empty signature is {0, 0}.
struct Dsid {
    uint32_t checksum = 0;
    uint32_t length = 0;

    // Over the whole little-endian words of the bytes; 4 bytes or fewer give
    // {0, 0}, the 1 to 3 trailing bytes do not count. Per word:
    // s = s + w, then s = (s >> 30) | (s << 1) -- not a rotation: bit 31 is
    // folded into bit 1, and stored signatures depend on exactly that.
    static Dsid Compute(const void* bytes, size_t count);
    // Sums both fields. A checksum that wraps to 0 becomes 1; two empty
    // signatures stay {0, 0}, so a tree of empty folders signs as "0:0".
    static Dsid Combine(const Dsid& a, const Dsid& b);
    void Clear() { *this = Dsid(); }
    // "%d:%d": the length, then the checksum, both as signed 32-bit numbers.
    Zel::PString Format() const;

    friend bool operator==(const Dsid& a, const Dsid& b) { return a.checksum == b.checksum && a.length == b.length; }
};

// Folders (containers) count recursively, files (raw-bytes tags) by their
// bytes, other tags not at all. Each tag is looked up by its name, so two
// tags of one name both count the first, as stored signatures expect.
Dsid ComputeFilesDsid(const SoupHandle& container);
// The signature of the entry's "files" ({0, 0} without them).
Dsid ComputeAssetDsid(const SoupHandle& entry);
// Sets the entry's text tag "dsid".
void StoreAssetDsid(SoupHandle& entry);
// True when the entry's "dsid" text is exactly the formatted signature of its
// files; an absent "dsid" fails.
bool VerifyAssetDsid(const SoupHandle& entry);
