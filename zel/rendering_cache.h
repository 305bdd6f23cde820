// Rendering caches: where materials send chunks to draw later, and the engine's alpha-blend, alpha-mask and material-chunk caches.
#pragma once

#include <string>
#include <vector>

#include "zel/display_state.h"
#include "zel/reference_count.h"
#include "zel/render_light.h"

namespace Zel {

class Display;
class GeometryChunk;
class Material;

// A cache collects chunks while a frame is built and draws them at Render.
// The base collects nothing; the kinds below keep arrival order.
class RenderingCache : public ReferenceCount {
public:
    RenderingCache(std::string id, std::string name, float priority)
        : id_(std::move(id)), name_(std::move(name)), priority_(priority)
    {}
    // Caches of one id are shared: a plug-in finds the one already there.
    const std::string& GetCacheId() const { return id_; }
    const std::string& GetName() const { return name_; }
    float GetPriority() const { return priority_; }

    virtual void Clear() {}
    virtual void Discard() {}
    virtual void Render(Display*, const Viewport*) {}
    virtual void Flush(Display* display, const Viewport* viewport)
    {
        Render(display, viewport);
        Clear();
    }
    virtual void Enter(Display*, const Viewport*, bool /*nested*/) {}
    virtual void Leave(Display*, const Viewport*, bool /*nested*/) {}
    virtual void Add(Display*, const Viewport*, Material*, GeometryChunk*, const LightList*, const Matrix16&) {}

private:
    std::string id_;
    std::string name_;
    float priority_;
};

// One chunk as a cache keeps it until it draws.
struct CachedChunk {
    Material* material = nullptr;
    GeometryChunk* chunk = nullptr;
    const LightList* lights = nullptr;
    Matrix16 modelView = kIdentityMatrix;
};

// Draws what it collected in arrival order, blended, without depth writes.
class ArrivalOrderCache : public RenderingCache {
public:
    using RenderingCache::RenderingCache;
    void Clear() override { chunks_.clear(); }
    void Discard() override { chunks_.clear(); }
    void Render(Display* display, const Viewport* viewport) override;
    void Add(Display*, const Viewport*, Material* material, GeometryChunk* chunk, const LightList* lights,
             const Matrix16& modelView) override;
    size_t GetNumChunks() const { return chunks_.size(); }

private:
    std::vector<CachedChunk> chunks_;
};

class AlphaBlendCache : public ArrivalOrderCache {
public:
    static const char* const AlphaBlendCacheID;
    AlphaBlendCache(const char* name = "AlphaBlendCache", float priority = 50.0f)
        : ArrivalOrderCache(AlphaBlendCacheID, name, priority)
    {}
};

class AlphaMaskCache : public ArrivalOrderCache {
public:
    static const char* const AlphaMaskCacheID;
    AlphaMaskCache() : ArrivalOrderCache(AlphaMaskCacheID, "AlphaMaskCache", 40.0f) {}
};

class MaterialChunkCache : public ArrivalOrderCache {
public:
    static const char* const MaterialChunkCacheID;
    MaterialChunkCache() : ArrivalOrderCache(MaterialChunkCacheID, "MaterialChunkCache", 30.0f) {}
};

// The engine's own unsorted alpha cache; the argument is its pass count.
class UnsortedAlphaBlendCache : public ArrivalOrderCache {
public:
    static const char* const UnsortedAlphaBlendCacheID;
    explicit UnsortedAlphaBlendCache(int passes)
        : ArrivalOrderCache(UnsortedAlphaBlendCacheID, "UnsortedAlphaBlendCache", 56.0f), passes_(passes)
    {}
    int GetPasses() const { return passes_; }

private:
    int passes_;
};

}  // namespace Zel
