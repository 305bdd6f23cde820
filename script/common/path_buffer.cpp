// The compiler's process-wide current-path buffer.
#include "script/common/path_buffer.h"

namespace Utils {

std::string& CompilerPathBuffer()
{
    static std::string buffer;
    return buffer;
}

void PathStripDirectory()
{
    std::string& path = CompilerPathBuffer();
    size_t cut = path.find_last_of("\\/:");
    if (cut != std::string::npos)
        path.erase(0, cut + 1);
}

void PathAppend(const char* name)
{
    std::string& path = CompilerPathBuffer();
    if (!path.empty() && path.back() != '\\' && path.back() != '/')
        path.push_back('/');
    path += name;
}

}  // namespace Utils
