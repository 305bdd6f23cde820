// ScriptLogSink: the script toolchain's messages as "ScriptLog> " diagnostic lines.
#include "app/application.h"

#include <cstdarg>
#include <cstdio>

#include "foundation/base/logging.h"

void ScriptLogSink(const char* format, ...)
{
    char buffer[16384];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    buffer[sizeof buffer - 1] = '\0';
    LogMessage("ScriptLog> %s", buffer);
}
