// The render kernel's rendering caches: found by id, added once, flushed in priority order.
#pragma once

#include <string>
#include <vector>

#include "zel/render_light.h"

namespace Zel {

class Display;
class RenderingCache;

class RenderingCacheManager {
public:
    RenderingCacheManager() = default;
    ~RenderingCacheManager();
    RenderingCacheManager(const RenderingCacheManager&) = delete;
    RenderingCacheManager& operator=(const RenderingCacheManager&) = delete;

    // The first cache of that id, without a new reference; null when none.
    RenderingCache* FindCache(const std::string& id) const;
    // The manager takes a reference of its own; false for null or a cache
    // already added.
    bool AddCache(RenderingCache* cache);
    bool RemoveCache(RenderingCache* cache);
    size_t GetNumCaches() const { return caches_.size(); }
    RenderingCache* GetCache(size_t i) const { return caches_[i]; }
    // Render then clear every cache, lowest priority first.
    void FlushAll(Display* display, const Viewport* viewport);

private:
    std::vector<RenderingCache*> caches_;
};

}  // namespace Zel
