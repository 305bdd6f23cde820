// The engine's "bmp" image plug-in type, held from start-up to shutdown.
#pragma once

#include "zel/plugin.h"

// One reference to an engine plug-in type, released through the type's own
// release operation.
class PluginTypeHolder {
public:
    PluginTypeHolder() = default;
    ~PluginTypeHolder() { Release(); }
    PluginTypeHolder(const PluginTypeHolder&) = delete;
    PluginTypeHolder& operator=(const PluginTypeHolder&) = delete;

    void Keep(Zel::PluginType* type);
    void Release();
    Zel::PluginType* Get() const { return type_; }

private:
    Zel::PluginType* type_ = nullptr;
};

// Looks the type up; on success the holder keeps it (releasing what it held).
// The holder is emptied first, so a failed lookup leaves it empty.
void LoadImagePluginType(PluginTypeHolder& holder, const Zel::UId& typeId, const char* typeName);

// Start-up's holder of "bmp" in the image family, and its release at
// shutdown. Whether the lookup found the type decides whether installs from
// the content service are possible in this process (SetCHBInstallPossible).
void AcquireImagePluginType();
void ReleaseImagePluginType();
