// GSLog: formatting of script runtime messages for the log callback.
#include "script/vm/script_log.h"

#include <cstdarg>
#include <cstdio>
#include <string>

namespace GSRuntime {

bool GSLogEnabled()
{
    return GSLogCallback.load() != nullptr;
}

void GSLog(const char* format, ...)
{
    ScriptLogFunction callback = GSLogCallback.load();
    if (callback == nullptr)
        return;
    va_list arguments;
    va_start(arguments, format);
    va_list copy;
    va_copy(copy, arguments);
    char small[512];
    const int length = std::vsnprintf(small, sizeof small, format, arguments);
    va_end(arguments);
    if (length < 0) {
        va_end(copy);
        return;
    }
    if (static_cast<size_t>(length) < sizeof small) {
        va_end(copy);
        callback("%s", small);
        return;
    }
    // Paths and library names have no length limit; neither has the line.
    std::string large(static_cast<size_t>(length) + 1, '\0');
    std::vsnprintf(large.data(), large.size(), format, copy);
    va_end(copy);
    large.resize(static_cast<size_t>(length));
    callback("%s", large.c_str());
}

}  // namespace GSRuntime
