// The script log's lines kept for a test to read.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

namespace ScriptLogLines {

inline std::vector<std::string>& Lines()
{
    static std::vector<std::string> lines;
    return lines;
}

// Installed as GSLogCallback.
inline void Keep(const char* format, ...)
{
    char text[4096];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    Lines().emplace_back(text);
}

}  // namespace ScriptLogLines
