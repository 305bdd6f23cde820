// Loading shared libraries at run time: open, find a symbol, close.
#pragma once

#include <string>

namespace Platform {

// The library's handle, or null (the loader's reason in *error when given).
// Every symbol is bound at once, so a library with a missing dependency
// fails here rather than at its first call.
void* OpenSharedLibrary(const std::string& path, std::string* error = nullptr);
// The address of an exported symbol; null when the library has none.
void* FindSharedLibrarySymbol(void* library, const char* name);
// Null is ignored.
void CloseSharedLibrary(void* library);

}  // namespace Platform
