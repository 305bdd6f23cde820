// A scratch folder for fuzz targets that must read from files: one per process under TMPDIR, removed at exit.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace FuzzScratch {

inline std::string& FolderPath()
{
    static std::string path;
    return path;
}

inline void RemoveFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(FolderPath(), ignored);
}

// The folder `<TMPDIR>/<kind>-fuzz-<pid>`, made if missing; the first call
// names it and arranges its removal, so call with one kind a process.
inline const std::string& Folder(const char* kind)
{
    std::string& path = FolderPath();
    if (path.empty()) {
        const char* base = getenv("TMPDIR");
        path = std::string(base && *base ? base : "/tmp") + "/" + kind + "-fuzz-" + std::to_string(getpid());
        std::atexit(RemoveFolder);
    }
    std::error_code ignored;
    std::filesystem::create_directories(path, ignored);
    return path;
}

// False when the file cannot be written.
inline bool WriteFile(const std::string& path, const uint8_t* data, size_t size)
{
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    fwrite(data, 1, size, file);
    fclose(file);
    return true;
}

}  // namespace FuzzScratch
