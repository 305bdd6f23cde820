// One asset row as the index and the store's mirror keep it, with its status bits.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kuid/kuid.h"

// Status bits of a row (the index keeps them as one integer).
enum KADAssetFlag : std::uint32_t {
    AssetInstalled = 1u << 0,    // "I": a committed revision folder exists
    AssetOpenForEdit = 1u << 1,  // "E": an edit copy exists
    AssetModified = 1u << 2,     // "L"
    AssetFromService = 1u << 3,  // "D"
    AssetServiceItem = 1u << 4,  // status 0 bit 5
    AssetArchived = 1u << 5,     // "A"
    AssetFaulty = 1u << 6,       // "F"
    AssetWarnings = 1u << 7,
    AssetMissingDependencies = 1u << 8,  // "M"
    AssetEditOnly = 1u << 9,             // created for edit, never committed
    AssetBuiltin = 1u << 10,
    // Set by the repair only, and cleared by it or by a change that puts a
    // readable revision in place (install, commit), so that a repair that
    // can read the folder again never clears what a validation found.
    AssetUnreadable = 1u << 11,
};

// One asset as the index keeps it.
struct KADAssetRecord {
    KUID id;
    std::uint32_t flags = 0;
    std::string store = "local";
    std::int32_t revision = 0;        // committed folder r<revision>; 0 = none
    std::string leaf;                 // the folder name below the revision folder
    std::int32_t editGeneration = 0;  // edit folder e<generation>; 0 = none
    std::string name;
    std::string kind;
    std::string category;  // category codes, no tags
    std::string region;
    std::string era;
    std::string keywords;  // user keywords, ";"-separated, without "#"
    std::string description;
    std::string authorName;
    float build = 0.0f;
    std::int32_t authorId = 0;
    std::int32_t rating = 255;
    std::int64_t installedTime = 0;
    std::int64_t modifiedTime = 0;
    std::int32_t downloadSize = -1;
    bool hasScript = false;
    std::vector<KUID> dependencies;
    std::vector<KUID> obsoletes;

    bool Has(std::uint32_t flag) const { return (flags & flag) != 0; }
    // "F": the last validation failed, or the repair found the committed
    // folder but could read none of its revisions.
    bool IsFaulty() const { return Has(AssetFaulty) || Has(AssetUnreadable); }
    bool operator==(const KADAssetRecord&) const = default;
};
