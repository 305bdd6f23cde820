// Writing a file whole: a temporary file beside the target, renamed over it.
#include "script/common/whole_file_write.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <string>

#include "zel/file.h"

namespace Utils {

namespace {

std::string TemporaryPathBeside(const std::string& target)
{
    static std::atomic<unsigned> counter{0};
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".%d-%u.part", static_cast<int>(getpid()), counter.fetch_add(1));
    return target + suffix;
}

bool WriteAll(Zel::File& file, const void* bytes, size_t length)
{
    if (length == 0)
        return true;
    return file.Write(bytes, static_cast<int64_t>(length)) == static_cast<int64_t>(length);
}

}  // namespace

bool WriteWholeFile(const char* container, const char* path, const void* head, size_t headLength, const void* body,
                    size_t bodyLength)
{
    if (path == nullptr || *path == '\0')
        return false;
    std::string target;
    if (!Zel::File::Resolve(container, path, target, true))
        return false;
    const std::string temporary = TemporaryPathBeside(target);
    Zel::File file;
    if (file.Open(temporary.c_str(), Zel::File::ModeWrite) != 0)
        return false;
    bool written = WriteAll(file, head, headLength) && WriteAll(file, body, bodyLength) && file.Flush();
    file.Close();
    // rename() replaces an existing target in one step; Zel::File::Rename
    // refuses to, as the Windows move does.
    if (written)
        written = std::rename(temporary.c_str(), target.c_str()) == 0;
    if (!written)
        unlink(temporary.c_str());
    Zel::File::FlushListingCache();
    return written;
}

}  // namespace Utils
