// What one validation keeps beside its container tree: per-validation definitions and merged inheritance.
#pragma once

#include <unordered_map>
#include <unordered_set>

#include "templates/dod_container.h"
#include "templates/dod_field_types.h"
#include "templates/dod_tag.h"

namespace DODLib {

struct Container::ValidationState {
    // Definitions whose obsolete entries were applied for this asset's
    // build, by the library definition they copy. The library itself is
    // never changed: a command host validates many assets of many builds.
    std::unordered_map<const void*, SoupHandle> copies;
    std::unordered_set<const void*> copyChunks;
    // Inheritance merged once per definition: many sub-containers share a type.
    std::unordered_map<const void*, MergedDefinition> merged;
    // What every tag made from a field definition needs of it, read once:
    // thousands of tags share a handful of definitions.
    std::unordered_map<const void*, FieldInfo> fields;
    std::unordered_map<const void*, std::vector<Zel::PString>> compulsory;
};

}  // namespace DODLib
