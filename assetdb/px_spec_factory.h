// PXSpecFactory: the base of the factories that build specs for one asset kind.
#pragma once

#include "kuid/kuid.h"
#include "soup/soup_handle.h"
#include "zel/pstring.h"
#include "zel/string.h"

class PemberlynxSpec;

class PXSpecFactory {
public:
    // name: the asset kind served (compared without regard to case).
    explicit PXSpecFactory(const Zel::PString& name) : name_(name) {}
    // Leaves the registry's factory list (under the registry lock).
    virtual ~PXSpecFactory();
    PXSpecFactory(const PXSpecFactory&) = delete;
    PXSpecFactory& operator=(const PXSpecFactory&) = delete;

    // A new spec, or none. The config is the factory's own reference.
    virtual PemberlynxSpec* CreateSpec(const KUID& assetId, const Zel::PString& databaseName,
                                       const Zel::String& parentFolder, const Zel::String& assetFolderName,
                                       SoupHandle config) = 0;

    const Zel::PString& GetName() const { return name_; }

private:
    Zel::PString name_;
};
