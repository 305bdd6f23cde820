// Finding and opening the texture compression module: beside the program first, then in the build tree.
#include "mesh/texture_compress_module.h"

#include <mutex>

#include "platform/folders.h"
#include "platform/shared_library.h"

namespace TextureCompressModule {

std::vector<std::string> Candidates()
{
    std::vector<std::string> candidates;
    std::string program;
    if (Platform::GetExecutablePath(program))
        candidates.push_back(Platform::ParentFolder(program) + "/modules/" KORVEL_NVTT_MODULE_FILE);
#ifdef KORVEL_NVTT_BUILD_MODULE
    // Programs and tests run from the build tree, where nothing sits beside them.
    candidates.push_back(KORVEL_NVTT_BUILD_MODULE);
#endif
    return candidates;
}

KorvelNvttCompressFunction OpenFirst(const std::vector<std::string>& candidates, std::string* error)
{
    std::string reasons;
    for (const std::string& path : candidates) {
        std::string reason;
        void* library = Platform::OpenSharedLibrary(path, &reason);
        if (library) {
            auto version = reinterpret_cast<KorvelNvttVersionFunction>(
                Platform::FindSharedLibrarySymbol(library, KORVEL_NVTT_VERSION_POINT));
            auto entry = reinterpret_cast<KorvelNvttCompressFunction>(
                Platform::FindSharedLibrarySymbol(library, KORVEL_NVTT_ENTRY_POINT));
            if (version && entry && version() == KORVEL_NVTT_MODULE_VERSION)
                return entry;
            Platform::CloseSharedLibrary(library);
            reason = path + ": not a texture compression module of this version";
        }
        reasons += (reasons.empty() ? "" : "; ") + reason;
    }
    if (error) {
        *error = "The texture compression module " KORVEL_NVTT_MODULE_FILE " could not be loaded";
        *error += reasons.empty() ? std::string(" (no place to look for it).") : " (" + reasons + ").";
    }
    return nullptr;
}

KorvelNvttCompressFunction Entry(std::string* error)
{
    // A failure is not kept: a module installed meanwhile is found next time.
    static std::mutex lock;
    static KorvelNvttCompressFunction entry = nullptr;
    std::lock_guard<std::mutex> hold(lock);
    if (!entry)
        entry = OpenFirst(Candidates(), error);
    return entry;
}

}  // namespace TextureCompressModule
