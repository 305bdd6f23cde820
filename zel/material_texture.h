// Counted textures as materials hold them, the display's shared textures and the texture manager that finds a texture by name.
#pragma once

#include <string>

#include "zel/reference_count.h"

namespace Zel {

class TextureSource;

// Nothing is uploaded: a texture is its name, whether it loaded, whether it
// is a cube map, and how often it was asked to activate.
class Texture : public ReferenceCount {
public:
    explicit Texture(std::string name, bool loaded = true, bool cube = false)
        : name_(std::move(name)), loaded_(loaded), cube_(cube)
    {}
    const std::string& GetName() const { return name_; }
    bool IsLoaded() const { return loaded_; }
    bool IsCube() const { return cube_; }
    float GetPriority() const { return priority_; }
    void SetPriority(float priority) { priority_ = priority; }
    void Activate(int) { ++activations_; }
    int GetActivations() const { return activations_; }
    // A private copy (one reference for the caller).
    Texture* Duplicate() const
    {
        Texture* copy = new Texture(name_, loaded_, cube_);
        copy->priority_ = priority_;
        return copy;
    }

private:
    std::string name_;
    bool loaded_;
    bool cube_;
    float priority_ = 0.0f;
    int activations_ = 0;
};

// The display's shared textures; number 0 is a 1x1 white image.
class SharedTextureCollection {
public:
    SharedTextureCollection();
    ~SharedTextureCollection();
    SharedTextureCollection(const SharedTextureCollection&) = delete;
    SharedTextureCollection& operator=(const SharedTextureCollection&) = delete;

    // One new reference, or null for another number or when told to refuse.
    Texture* GetTexture(int number);
    void SetRefuse(bool refuse) { refuse_ = refuse; }

private:
    Texture* white_;
    bool refuse_ = false;
};

// Finds textures by name through a source of files; a texture whose file
// does not load is not found.
class TextureManager {
public:
    void SetSource(TextureSource* source) { source_ = source; }
    // One new reference, or null.
    Texture* Find(const std::string& name) const;

private:
    TextureSource* source_ = nullptr;
};

}  // namespace Zel
