// Loading shared libraries at run time: open, find a symbol, close.
#include "platform/shared_library.h"

#include <dlfcn.h>

namespace Platform {

void* OpenSharedLibrary(const std::string& path, std::string* error)
{
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr && error != nullptr) {
        const char* reason = dlerror();
        *error = reason != nullptr ? reason : "unknown loader error";
    }
    return library;
}

void* FindSharedLibrarySymbol(void* library, const char* name)
{
    return library != nullptr ? dlsym(library, name) : nullptr;
}

void CloseSharedLibrary(void* library)
{
    if (library != nullptr)
        dlclose(library);
}

}  // namespace Platform
