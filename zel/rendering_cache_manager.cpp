// Rendering caches by id, in priority order.
#include "zel/rendering_cache_manager.h"

#include <algorithm>

#include "zel/rendering_cache.h"

namespace Zel {

RenderingCacheManager::~RenderingCacheManager()
{
    for (RenderingCache* cache : caches_)
        cache->ReleaseReference();
}

RenderingCache* RenderingCacheManager::FindCache(const std::string& id) const
{
    for (RenderingCache* cache : caches_) {
        if (cache->GetCacheId() == id)
            return cache;
    }
    return nullptr;
}

bool RenderingCacheManager::AddCache(RenderingCache* cache)
{
    if (!cache || std::find(caches_.begin(), caches_.end(), cache) != caches_.end())
        return false;
    cache->AddReference();
    // Stable: caches of equal priority keep the order they were added in.
    auto at = std::upper_bound(caches_.begin(), caches_.end(), cache, [](RenderingCache* a, RenderingCache* b) {
        return a->GetPriority() < b->GetPriority();
    });
    caches_.insert(at, cache);
    return true;
}

bool RenderingCacheManager::RemoveCache(RenderingCache* cache)
{
    auto found = std::find(caches_.begin(), caches_.end(), cache);
    if (found == caches_.end())
        return false;
    caches_.erase(found);
    cache->ReleaseReference();
    return true;
}

void RenderingCacheManager::FlushAll(Display* display, const Viewport* viewport)
{
    for (RenderingCache* cache : caches_)
        cache->Flush(display, viewport);
}

}  // namespace Zel
