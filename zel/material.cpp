// Engine materials: generic chunk creation, texture slots, caching and the one-pass draw.
#include "zel/material.h"

#include "zel/display.h"
#include "zel/file.h"
#include "zel/material_manager.h"
#include "zel/material_texture.h"
#include "zel/render_kernel.h"
#include "zel/rendering_cache.h"

namespace Zel {

bool FileTextureSource::Load(const std::string& path)
{
    if (path.empty())
        return false;
    return File::IsFile(path.c_str()) || File::IsFile((path + ".txt").c_str());
}

Material::Material(std::string name, std::string type) : name_(std::move(name)), creationType_(std::move(type)) {}

Material::~Material()
{
    for (RenderingCache* cache : {caches_.materialChunk, caches_.alphaMask, caches_.alphaBlend}) {
        if (cache)
            cache->ReleaseReference();
    }
}

void Material::SetCaches(const MaterialCaches& caches)
{
    for (RenderingCache* cache : {caches.materialChunk, caches.alphaMask, caches.alphaBlend}) {
        if (cache)
            cache->AddReference();
    }
    for (RenderingCache* cache : {caches_.materialChunk, caches_.alphaMask, caches_.alphaBlend}) {
        if (cache)
            cache->ReleaseReference();
    }
    caches_ = caches;
}

void Material::AddProperty(const std::string& name, const std::string& value)
{
    properties_.emplace_back(name, value);
}

bool Material::HasSlot(int slot) const
{
    return slot == 0;
}

uint32_t Material::ChunkItems(const StandardChunkHint& hint) const
{
    uint32_t items = 1u << ItemPosition | 1u << ItemColour | 1u << ItemNormal;
    uint32_t sets = hint.texCoordSets < 8 ? hint.texCoordSets : 8;
    for (uint32_t set = 0; set < sets; ++set)
        items |= 1u << (ItemTexCoord0 + set);
    // Skinning on the display needs the blend streams in the chunk itself.
    if (hint.skinned && !hint.softwareSkin) {
        if (hint.floatWeights) {
            for (int item = ItemWeights1; item <= ItemWeights4; ++item)
                items |= 1u << item;
        } else {
            items |= 1u << ItemPackedWeights;
        }
        items |= 1u << ItemBlendIndices;
    }
    return items;
}

GeometryChunk* Material::CreateGeometryChunk(uint32_t vertexCount, uint32_t faceCount, uint32_t indexCount,
                                             uint32_t faceNormalCount, int geometryType, const StandardChunkHint& hint)
{
    if (geometryType < GeometryList || geometryType > GeometryPoints)
        return nullptr;
    auto* chunk = new GeometryChunk(vertexCount, faceCount, indexCount, faceNormalCount,
                                    Zel::MakeGeometryChunkFlags(geometryType), ChunkItems(hint), hint.hintValue);
    // A chunk made for a display registers its vertex type there at once.
    if (Display* display = ManagerDisplay())
        chunk->AssignVertexType(display);
    return chunk;
}

int Material::SetTexture(int slot, TextureSource* source, const std::string& file, float value)
{
    if (!HasSlot(slot)) {
        textures_.push_back({slot, file, value, false});
        return TextureOk;
    }
    bool loaded = source && source->Load(file);
    textures_.push_back({slot, file, value, loaded});
    if (!loaded)
        return TextureMissing;
    // The drawing side holds the texture the file gave.
    Texture* texture = new Texture(file);
    SetTextureRef(slot, texture, value);
    texture->ReleaseReference();
    return TextureOk;
}

void Material::SetTextureDefinition(int slot, const std::string& name, float priority)
{
    for (auto use = textures_.rbegin(); use != textures_.rend(); ++use) {
        if (use->slot == slot) {
            use->file = name;
            use->value = priority;
            use->loaded = true;
            return;
        }
    }
    textures_.push_back({slot, name, priority, true});
}

Display* Material::ManagerDisplay() const
{
    RenderKernel* kernel = manager_ ? manager_->GetRenderKernel() : nullptr;
    return kernel ? kernel->GetDisplay() : nullptr;
}

void Material::InitInstance(const Material& from)
{
    flags_ = from.flags_;
    opacity_ = from.opacity_;
    display_ = from.display_;
    priority_ = from.priority_;
    properties_ = from.properties_;
    textures_ = from.textures_;
    requestName_ = from.requestName_;
    alphaHint_ = from.alphaHint_;
    stageState_ = from.stageState_;
    SetCaches(from.caches_);
}

bool Material::EqualsBase(const Material& other) const
{
    auto same = [](const float* a, const float* b, int n) {
        for (int i = 0; i < n; ++i) {
            if (a[i] != b[i])
                return false;
        }
        return true;
    };
    const DisplayMaterial& a = display_;
    const DisplayMaterial& b = other.display_;
    return flags_ == other.flags_ && opacity_ == other.opacity_ && same(a.ambient, b.ambient, 4) &&
           same(a.diffuse, b.diffuse, 4) && same(a.specular, b.specular, 4) && same(a.emissive, b.emissive, 4) &&
           a.power == b.power;
}

void Material::Replace(Texture*& held, Texture* texture)
{
    if (texture)
        texture->AddReference();
    if (held)
        held->ReleaseReference();
    held = texture;
}

int Material::DuplicateHeld(Texture*& held)
{
    if (!held)
        return ResultNoTexture;
    Texture* copy = held->Duplicate();
    held->ReleaseReference();
    held = copy;
    return TextureOk;
}

int Material::ReplaceHeld(Texture*& held, int slot, Texture* texture, float priority)
{
    if (!texture)
        return ResultNoTexture;
    Replace(held, texture);
    texture->SetPriority(static_cast<float>(GetResourcePriority()));
    SetTextureDefinition(slot, texture->GetName(), priority);
    return TextureOk;
}

Material* Material::NewOfSameType() const
{
    return manager_ ? manager_->CreateInstance(GetTypeName()) : nullptr;
}

Material* Material::Clone() const
{
    return CloneAs<Material>([this](Material& copy) { copy.InitInstance(*this); });
}

bool Material::IsEqual(const Material& other) const
{
    return GetTypeName() == std::string(other.GetTypeName()) && EqualsBase(other);
}

void Material::Activate(int) {}

Texture* Material::GetTexture(int) const
{
    return nullptr;
}

int Material::DuplicateTexture(int)
{
    return ResultNoTexture;
}

int Material::SetTextureRef(int, Texture*, float)
{
    return ResultNoTexture;
}

int Material::SetTextureByName(int slot, TextureManager* textures, const std::string& name, float priority)
{
    Texture* texture = textures ? textures->Find(name) : nullptr;
    if (!texture)
        return ResultNoTexture;
    int result = SetTextureRef(slot, texture, priority);
    texture->ReleaseReference();
    if (result == TextureOk)
        alphaHint_ = -1;
    return result;
}

int Material::IsLoaded() const
{
    return TextureOk;
}

void Material::Bind(Display* display, const Viewport*, int pass)
{
    if (display && pass == 0)
        SetDisplayState(display);
}

void Material::Unbind(Display* display, const Viewport*, int pass)
{
    if (display && pass == 0)
        ClearDisplayState(display);
}

void Material::CacheChunk(Display* display, const Viewport* viewport, GeometryChunk* chunk, const LightList* lights,
                          const Matrix16& modelView)
{
    bool blended = alphaHint_ == 1 || opacity_ < 1.0f || (chunk && chunk->GetOpacity() < 1.0f);
    if (blended && caches_.alphaBlend) {
        caches_.alphaBlend->Add(display, viewport, this, chunk, lights, modelView);
        return;
    }
    RenderChunk(display, viewport, chunk, lights, modelView, -1);
}

void Material::SetLightingState(Display* display, const Matrix16*, GeometryChunk*, const VertexProgram*,
                                const LightList*, const Matrix16&, float, bool)
{
    // The headless display has no light units: the lit state is recorded.
    if (display)
        display->SetLighting(true);
}

void Material::DrawOne(Display* display, const Viewport* viewport, GeometryChunk* chunk, const LightList* lights,
                       const Matrix16& modelView, const ChunkRange& range, int pass)
{
    if (!display || !chunk)
        return;
    const VertexProgram* program = chunk->GetVertexProgram(0);
    SetDisplayState(display);
    SetLightingState(display, viewport ? &viewport->view : nullptr, chunk, program, lights, modelView,
                     chunk->GetOpacity() * opacity_, false);
    display->LoadModelView(modelView);
    chunk->Render(display, viewport, program, range, pass < 0 ? 0 : pass);
    ClearDisplayState(display);
}

void Material::RenderChunk(Display* display, const Viewport* viewport, GeometryChunk* chunk, const LightList* lights,
                           const Matrix16& modelView, int pass)
{
    DrawOne(display, viewport, chunk, lights, modelView, ChunkRange(), pass);
}

void Material::RenderNumChunks(Display* display, const Viewport* viewport, GeometryChunk* const* chunks,
                               const LightList* const* lights, const Matrix16* modelViews, int count, int pass)
{
    if (!display || !chunks || !modelViews)
        return;
    SetDisplayState(display);
    for (int i = 0; i < count; ++i) {
        GeometryChunk* chunk = chunks[i];
        if (!chunk)
            continue;
        const VertexProgram* program = chunk->GetVertexProgram(0);
        SetLightingState(display, viewport ? &viewport->view : nullptr, chunk, program, lights ? lights[i] : nullptr,
                         modelViews[i], chunk->GetOpacity() * opacity_, false);
        display->LoadModelView(modelViews[i]);
        chunk->RenderGeometry(display, viewport, program, true, pass < 0 ? 0 : pass);
    }
    ClearDisplayState(display);
}

void Material::RenderPrimitives(Display* display, const Viewport* viewport, GeometryChunk* chunk,
                                const LightList* lights, const Matrix16& modelView, int indexCount,
                                const uint16_t* indices, int primitiveCount, int primitiveKind, int pass)
{
    DrawOne(display, viewport, chunk, lights, modelView,
            ChunkRange::Of(indexCount, indices, primitiveCount, primitiveKind), pass);
}

void Material::CacheAlphaHint()
{
    alphaHint_ = opacity_ < 1.0f ? 1 : 0;
}

void Material::SetDisplayState(Display*) {}

void Material::ClearDisplayState(Display*) {}

OneTextureMaterial::OneTextureMaterial(std::string name, std::string type, bool takesTexture, bool takesReflection)
    : Material(std::move(name), std::move(type)), takesTexture_(takesTexture), takesReflection_(takesReflection)
{}

OneTextureMaterial::~OneTextureMaterial()
{
    if (texture_)
        texture_->ReleaseReference();
    if (reflection_)
        reflection_->ReleaseReference();
}

bool OneTextureMaterial::HasSlot(int slot) const
{
    return (slot == 0 && takesTexture_) || (slot == 9 && takesReflection_);
}

uint32_t OneTextureMaterial::ChunkItems(const StandardChunkHint& hint) const
{
    return Material::ChunkItems(hint);
}

void OneTextureMaterial::InitInstance(const OneTextureMaterial& from)
{
    Material::InitInstance(from);
    Replace(texture_, from.texture_);
    Replace(reflection_, from.reflection_);
}

Material* OneTextureMaterial::Clone() const
{
    return CloneAs<OneTextureMaterial>([this](OneTextureMaterial& copy) { copy.InitInstance(*this); });
}

bool OneTextureMaterial::Equals(const OneTextureMaterial& other) const
{
    return texture_ == other.texture_ && reflection_ == other.reflection_ && EqualsBase(other);
}

bool OneTextureMaterial::IsEqual(const Material& other) const
{
    const auto* same = dynamic_cast<const OneTextureMaterial*>(&other);
    return same && GetTypeName() == std::string(other.GetTypeName()) && Equals(*same);
}

void OneTextureMaterial::Activate(int n)
{
    if (texture_)
        texture_->Activate(n);
}

Texture* OneTextureMaterial::GetTexture(int slot) const
{
    if (slot == 0)
        return texture_;
    if (slot == 9 && takesReflection_)
        return reflection_;
    return nullptr;
}

int OneTextureMaterial::DuplicateTexture(int slot)
{
    Texture** held = slot == 0 ? &texture_ : (slot == 9 && takesReflection_ ? &reflection_ : nullptr);
    return held ? DuplicateHeld(*held) : ResultNoTexture;
}

int OneTextureMaterial::SetTextureRef(int slot, Texture* texture, float priority)
{
    Texture** held = slot == 0 ? &texture_ : (slot == 9 && takesReflection_ ? &reflection_ : nullptr);
    return held ? ReplaceHeld(*held, slot, texture, priority) : ResultNoTexture;
}

int OneTextureMaterial::IsLoaded() const
{
    if (texture_ && !texture_->IsLoaded())
        return ResultNotLoaded;
    return TextureOk;
}

void OneTextureMaterial::SetDisplayState(Display* display)
{
    display->BindStage(0, texture_, GetStageState());
}

void OneTextureMaterial::ClearDisplayState(Display* display)
{
    display->ResetStage(0);
}

}  // namespace Zel
