// Engine plug-in registry: plug-in types by family id and name, and the instance base.
#pragma once

#include <string>
#include <vector>

#include "zel/reference_count.h"
#include "zel/uid.h"

namespace Zel {

// The image plug-in family that start-up looks up ("bmp" must be found).
inline constexpr const char* kImagePluginFamily = "4C414E80-BBDA-11d4-9AD7-0001025364B8";
// Resource types (mesh files, texture records) share the image readers' family.
inline constexpr const char* kResourceTypeFamily = kImagePluginFamily;
// Material plug-ins, looked up by material type name.
inline constexpr const char* kMaterialPluginFamily = "9D3A52C4-6F1E-4B7A-A0C2-5E41D7B83F10";

// One registered plug-in type: its family id, its name (matched without
// regard to ASCII case) and the id of the class it makes (several names may
// make one class). Counted; the registry holds one reference.
class PluginType : public ReferenceCount {
public:
    PluginType(const UId& family, const char* name, const UId& classId = UId());
    const UId& GetFamily() const { return family_; }
    const std::string& GetName() const { return name_; }
    const UId& GetClassId() const { return classId_; }
    void ReleaseType() { ReleaseReference(); }

private:
    UId family_;
    std::string name_;
    UId classId_;
};

// Base of objects a plug-in type makes. Assign records the type and holds a
// reference to it.
class PluginInstance {
public:
    PluginInstance() = default;
    virtual ~PluginInstance();
    PluginInstance(const PluginInstance&) = delete;
    PluginInstance& operator=(const PluginInstance&) = delete;

    void Assign(PluginType* type);
    PluginType* GetPluginType() const { return type_; }

private:
    PluginType* type_ = nullptr;
};

class PluginBase {
public:
    enum : int { Found = 0, NotFound = 1, BadArgument = 2 };

    // Looks up the type of that family and name. On Found, *out holds one new
    // reference (release it with ReleaseReference); otherwise *out is null.
    // The registry starts with the image types "bmp", "tga", "jpg" and "png".
    static int LookupPluginType(const UId& family, const char* name, PluginType** out);
    // Adds a type (the registry takes the caller's reference); false when one
    // of that family and name is already registered (the caller keeps it).
    static bool RegisterPluginType(PluginType* type);
    static bool UnregisterPluginType(const UId& family, const char* name);
    static int CountPluginTypes();
    // The types of a family in registration order, each with one new
    // reference for the caller to release.
    static std::vector<PluginType*> GetPluginTypes(const UId& family);
};

}  // namespace Zel
