// Engine plug-in registry: plug-in types by family id and name, and the instance base.
#pragma once

#include <string>

#include "zel/reference_count.h"
#include "zel/uid.h"

namespace Zel {

// The image plug-in family that start-up looks up ("bmp" must be found).
inline constexpr const char* kImagePluginFamily = "4C414E80-BBDA-11d4-9AD7-0001025364B8";

// One registered plug-in type: its family id and its name (matched without
// regard to ASCII case). Counted; the registry holds one reference.
class PluginType : public ReferenceCount {
public:
    PluginType(const UId& family, const char* name);
    const UId& GetFamily() const { return family_; }
    const std::string& GetName() const { return name_; }
    void ReleaseType() { ReleaseReference(); }

private:
    UId family_;
    std::string name_;
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
};

}  // namespace Zel
