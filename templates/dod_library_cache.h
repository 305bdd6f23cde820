// Values worked out from template library definitions, kept for as long as the library lives.
#pragma once

#include <cstddef>
#include <unordered_map>
#include <utility>

#include "soup/soup_handle.h"

namespace DODLib {

// Every validation reads the same few hundred definitions of the library the
// same way: what it works out from one is kept by the definition's address.
// Each entry holds its definition, so no other chunk can take that address
// while the entry lives. Validations run on the main thread only.
template <class Value>
class LibraryCache {
public:
    // The value kept for definition of library, and whether it was just made
    // (and is the caller's to fill). A new library starts the table again;
    // so does a table grown past any library, as definitions made by hand
    // may pass through too.
    Value& Slot(const SoupHandle& library, const SoupHandle& definition, bool& fresh)
    {
        if (library_.Root() != library.Root() || entries_.size() >= MaxEntries) {
            entries_.clear();
            library_ = library;
        }
        auto [it, inserted] = entries_.try_emplace(definition.Root().Get());
        if (inserted)
            it->second.first = definition.Root();
        fresh = inserted;
        return it->second.second;
    }

private:
    static constexpr size_t MaxEntries = 16384;
    SoupHandle library_;
    std::unordered_map<const void*, std::pair<ChunkRef, Value>> entries_;
};

}  // namespace DODLib
