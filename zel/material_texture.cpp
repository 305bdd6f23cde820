// The shared white texture and finding textures by name.
#include "zel/material_texture.h"

#include "zel/material.h"

namespace Zel {

SharedTextureCollection::SharedTextureCollection() : white_(new Texture("SharedTexture0")) {}

SharedTextureCollection::~SharedTextureCollection()
{
    white_->ReleaseReference();
}

Texture* SharedTextureCollection::GetTexture(int number)
{
    if (number != 0 || refuse_)
        return nullptr;
    white_->AddReference();
    return white_;
}

Texture* TextureManager::Find(const std::string& name) const
{
    if (!source_ || name.empty() || !source_->Load(name))
        return nullptr;
    return new Texture(name);
}

}  // namespace Zel
