// KorvelTextureResource: an asset's resource database and a texture taken from it, held and given back as a pair; and DisplayInterface.
#pragma once

#include "mesh/auto_releasing_resource.h"
#include "soup/korvel_property.h"
#include "zel/pstring.h"

class KorvelResourceDatabase;

namespace Zel {
class Resource;
}

class KorvelTextureResource : public AutoReleasingResource, public IdentifiableType {
public:
    KorvelTextureResource() = default;
    ~KorvelTextureResource() override;

    // Holds one use of the database of that name (opened with the
    // installation root as base); false when it cannot be opened. A
    // database already held is given back first.
    bool AcquireDatabase(const Zel::PString& name);
    // Takes the texture of that name from the held database (one
    // reference); false without a database or when it has no such texture.
    // A texture already held is given back first.
    bool AcquireTexture(const Zel::PString& name);

    // Drops the texture reference only (the held flag and name stay).
    void Release() override;
    // Gives the texture back: its priority goes to 0 and the reference is dropped.
    void ReleaseTexture();
    // Gives the texture back, then the database use.
    void ReleaseDatabase();

    bool HoldsDatabase() const { return databaseHeld_; }
    bool HoldsTexture() const { return textureHeld_; }
    Zel::Resource* GetTexture() const { return texture_; }
    const Zel::PString& GetDatabaseName() const { return databaseName_; }
    const Zel::PString& GetTextureName() const { return textureName_; }

private:
    KorvelResourceDatabase* database_ = nullptr;
    bool databaseInUse_ = false;
    Zel::PString databaseName_;
    bool databaseHeld_ = false;
    Zel::Resource* texture_ = nullptr;
    Zel::PString textureName_;
    bool textureHeld_ = false;
};

// The display's interface object: one per process, nothing else uses it.
class DisplayInterface {
public:
    virtual ~DisplayInterface() = default;
};
DisplayInterface& TheDisplayInterface();
