// KorvelTextureResource: acquiring and releasing a database use and a texture reference; the process-wide list and display interface.
#include "mesh/korvel_texture_resource.h"

#include "assetdb/resource_database.h"
#include "foundation/base/install_paths.h"
#include "zel/resource.h"
#include "zel/resource_database.h"

LinkedListHead<AutoReleasingResource>& AutoReleasingResources()
{
    static LinkedListHead<AutoReleasingResource> list;
    return list;
}

DisplayInterface& TheDisplayInterface()
{
    static DisplayInterface display;
    return display;
}

KorvelTextureResource::~KorvelTextureResource()
{
    ReleaseTexture();
    ReleaseDatabase();
}

bool KorvelTextureResource::AcquireDatabase(const Zel::PString& name)
{
    ReleaseDatabase();
    database_ = OpenResourceDatabase(name, GetInstallRoot());
    if (database_ == nullptr)
        return false;
    databaseInUse_ = true;
    databaseName_ = name;
    databaseHeld_ = true;
    return true;
}

bool KorvelTextureResource::AcquireTexture(const Zel::PString& name)
{
    ReleaseTexture();
    if (database_ == nullptr)
        return false;
    texture_ = database_->Get(name.c_str(), 2);
    if (texture_ == nullptr)
        return false;
    textureName_ = name;
    textureHeld_ = true;
    return true;
}

void KorvelTextureResource::Release()
{
    if (texture_ != nullptr) {
        texture_->ReleaseReference();
        texture_ = nullptr;
    }
}

void KorvelTextureResource::ReleaseTexture()
{
    if (!textureHeld_)
        return;
    if (texture_ != nullptr) {
        texture_->SetPriority(0.0f);
        texture_->ReleaseReference();
        texture_ = nullptr;
    }
    textureHeld_ = false;
    textureName_ = Zel::PString();
}

void KorvelTextureResource::ReleaseDatabase()
{
    if (!databaseHeld_)
        return;
    ReleaseTexture();
    databaseInUse_ = false;
    ReleaseResourceDatabase(database_);
    database_ = nullptr;
    databaseHeld_ = false;
    databaseName_ = Zel::PString();
}
