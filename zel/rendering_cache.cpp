// The engine caches: arrival-order drawing with the blend state set and restored.
#include "zel/rendering_cache.h"

#include "zel/display.h"
#include "zel/material.h"

namespace Zel {

const char* const AlphaBlendCache::AlphaBlendCacheID = "AlphaBlendCache";
const char* const AlphaMaskCache::AlphaMaskCacheID = "AlphaMaskCache";
const char* const MaterialChunkCache::MaterialChunkCacheID = "MaterialChunkCache";
const char* const UnsortedAlphaBlendCache::UnsortedAlphaBlendCacheID = "UnsortedAlphaBlendCache";

void ArrivalOrderCache::Add(Display*, const Viewport*, Material* material, GeometryChunk* chunk,
                            const LightList* lights, const Matrix16& modelView)
{
    if (material && chunk)
        chunks_.push_back({material, chunk, lights, modelView});
}

void ArrivalOrderCache::Render(Display* display, const Viewport* viewport)
{
    if (!display || chunks_.empty())
        return;
    const DisplayState saved = display->GetState();
    display->SetAlphaTest(false);
    display->SetBlendEnable(true);
    display->SetDepthWrite(false);
    display->SetBlendFunction(BlendSrcAlpha, BlendInvSrcAlpha);
    for (const CachedChunk& entry : chunks_)
        entry.material->RenderChunk(display, viewport, entry.chunk, entry.lights, entry.modelView, -1);
    display->SetBlendFunction(saved.blendSource, saved.blendDestination);
    display->SetBlendEnable(saved.blendEnable);
    display->SetAlphaTest(saved.alphaTest);
    display->SetDepthWrite(saved.depthWrite);
}

}  // namespace Zel
