// Zel::Resource: a named, counted engine object loaded from a file of its database on first lock, and the registry of resource types.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "zel/reference_count.h"

namespace Zel {

class MemoryFile;
class ResourceDatabase;

class Resource : public ReferenceCount {
public:
    Resource(const char* name, ResourceDatabase* database);
    ~Resource() override;

    const std::string& GetName() const { return name_; }
    ResourceDatabase* GetDatabase() const { return database_; }
    // The file that serves the resource, relative to its database, and
    // whether it is the text form (read with LoadTxt).
    const std::string& GetFileName() const { return fileName_; }
    bool IsTextForm() const { return textForm_; }
    void SetSource(const std::string& fileName, bool textForm);

    // The first lock reads the file and loads it (Load or LoadTxt, then
    // LoadComplete); later locks only count. 0 when loaded, else the
    // loader's non-zero result (1 when the file cannot be read); a failed
    // load leaves the resource unlocked.
    int Lock();
    // The last unlock unloads. False when the resource was not locked.
    bool Unlock();
    bool IsLocked() const { return locks_ > 0; }

    // How much the resource is wanted while it is cached (0 = not at all).
    float GetPriority() const { return priority_; }
    void SetPriority(float priority) { priority_ = priority; }

protected:
    virtual int Load(const std::vector<uint8_t>& bytes);
    // The binary form as read; a loader may take the bytes over. By default
    // they go to Load.
    virtual int LoadFile(MemoryFile& file);
    virtual int LoadTxt(const char* text);
    virtual void LoadComplete() {}
    virtual void Unload() {}

private:
    std::string name_;
    ResourceDatabase* database_;
    std::string fileName_;
    bool textForm_ = false;
    int locks_ = 0;
    float priority_ = 1.0f;
};

// Makes a resource of a type for a name in a database (one reference).
using ResourceFactory = Resource* (*)(const char* name, ResourceDatabase* database);

// Registers (or replaces) a resource type by name ("convert-tex.txt").
void RegisterResourceType(const char* typeName, ResourceFactory factory);
// The factory of a type, matched without regard to ASCII case; the family
// prefix "korvel." of a registered name is not needed ("lm" finds
// "korvel.lm"). Null when none is registered.
ResourceFactory FindResourceType(const char* typeName);

}  // namespace Zel
