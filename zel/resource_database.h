// Engine resource database base: a named source of resources (its files reached through the path substitution of its name).
#pragma once

#include <string>

#include "zel/pstring.h"

namespace Zel {

class Resource;

// Intrusive double link for engine objects kept in lists.
class IListNode {
public:
    IListNode* listNext = nullptr;
    IListNode* listPrevious = nullptr;
};

class ResourceDatabase {
public:
    explicit ResourceDatabase(const char* name) : name_(name) {}
    virtual ~ResourceDatabase() = default;
    ResourceDatabase(const ResourceDatabase&) = delete;
    ResourceDatabase& operator=(const ResourceDatabase&) = delete;

    const PString& GetName() const { return name_; }
    // Turns a resource name into the file name to open: by default the
    // resource name itself, relative to the database's substitution.
    virtual std::string GetFileName(const char* resourceName) const { return resourceName ? resourceName : ""; }

    // A new resource of the name (one reference), or null. Nothing is
    // cached: each call loads afresh, so a long-lived process sees an edited
    // file. The name "x.ext" is served by the file "x.ext" through the type
    // "ext", or by "x.ext.txt" through the type "ext.txt" (loaded as text).
    // flags is accepted for the engine's callers (2 = load on lock).
    Resource* Get(const char* name, int flags = 2);

private:
    PString name_;
};

}  // namespace Zel
