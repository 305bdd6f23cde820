// The engine's "bmp" image plug-in type, held from start-up to shutdown.
#include "app/image_plugin_type.h"

#include "assetdb/install_from_chb.h"

namespace {
PluginTypeHolder* imagePluginType = nullptr;
}

void PluginTypeHolder::Keep(Zel::PluginType* type)
{
    Release();
    type_ = type;
}

void PluginTypeHolder::Release()
{
    if (!type_)
        return;
    type_->ReleaseType();
    type_ = nullptr;
}

void LoadImagePluginType(PluginTypeHolder& holder, const Zel::UId& typeId, const char* typeName)
{
    holder.Release();
    Zel::PluginType* found = nullptr;
    if (Zel::PluginBase::LookupPluginType(typeId, typeName, &found) == Zel::PluginBase::Found)
        holder.Keep(found);
}

void AcquireImagePluginType()
{
    if (!imagePluginType)
        imagePluginType = new PluginTypeHolder();
    LoadImagePluginType(*imagePluginType, Zel::UId(Zel::kImagePluginFamily), "bmp");
    // Installs from the content service need the image type (thumbnails of
    // what they fetch); without it they are refused at once.
    SetCHBInstallPossible(imagePluginType->Get() != nullptr);
}

void ReleaseImagePluginType()
{
    delete imagePluginType;
    imagePluginType = nullptr;
}
