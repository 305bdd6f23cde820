// The script texts cached during one validation, to tell a cached library that still depends on an earlier text.
#include "scripthost/asset_script_cache_texts.h"

#include <mutex>
#include <set>
#include <unordered_map>

#include "script/vm/gs_library.h"

namespace {

std::mutex textsLock;
// Name checksum to every text checksum cached under it: assets may hold
// scripts of the same name with different texts.
std::unordered_map<uint32_t, std::set<uint32_t>> cachedTexts;

}  // namespace

void ForgetCachedScriptTexts()
{
    std::lock_guard<std::mutex> hold(textsLock);
    cachedTexts.clear();
}

void NoteCachedScriptText(uint32_t nameCrc, uint32_t sourceCrc)
{
    std::lock_guard<std::mutex> hold(textsLock);
    cachedTexts[nameCrc].insert(sourceCrc);
}

bool DependsOnReplacedText(const GSRuntime::GSLibrary* library)
{
    if (library == nullptr)
        return false;
    std::lock_guard<std::mutex> hold(textsLock);
    for (uint32_t i = 0; i < library->DependencyCount(); ++i) {
        const GSRuntime::GSLibrary* dependency = library->Dependency(i);
        if (dependency == nullptr)
            continue;
        auto texts = cachedTexts.find(dependency->FileNameCrc());
        if (texts != cachedTexts.end() && texts->second.count(dependency->SourceCrc()) == 0)
            return true;
    }
    return false;
}
