// Compile log and the three report operations.
#include "script/compiler/compile_log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "script/compiler/compile_unit.h"

GSCompileLog::GSCompileLog() : lines_(128)
{
    text_.Init(2048);
}

GSCompileLog::~GSCompileLog()
{
    lines_.Free();
    text_.ReleaseAll();
}

bool GSCompileLog::AddLine(const char* text)
{
    char* copy = text_.StrdupAnyLength(text, std::strlen(text));
    if (copy == nullptr)
        return false;
    return lines_.Append(copy);
}

bool GSCompileLog::TakeLine(const char** text)
{
    char* line = nullptr;
    if (!lines_.Take(&line))
        return false;
    *text = line;
    return true;
}

namespace GSCompiler {

namespace {

// vsnprintf with the cut at 255 characters.
void FormatMessage(char (&out)[kMaxMessage + 1], const char* format, va_list args)
{
    std::vsnprintf(out, sizeof out, format, args);
}

void ReportWithName(GSCompileUnit* unit, bool error, bool warning, const char* fileName, int line, const char* format,
                    va_list args)
{
    if (unit == nullptr)
        return;
    if (error)
        ++unit->errorCount;
    if (warning)
        ++unit->warningCount;
    if (unit->log == nullptr)
        return;
    char message[kMaxMessage + 1];
    FormatMessage(message, format, args);
    Print(unit, "%s(%d) : %s", fileName ? fileName : "(null)", line, message);
}

}  // namespace

void Print(GSCompileUnit* unit, const char* format, ...)
{
    if (unit == nullptr || unit->log == nullptr)
        return;
    char line[kMaxMessage + 1];
    va_list args;
    va_start(args, format);
    FormatMessage(line, format, args);
    va_end(args);
    unit->log->AddLine(line);
}

void Report(GSCompileUnit* unit, bool error, bool warning, int line, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    ReportWithName(unit, error, warning, unit ? unit->fileName : nullptr, line, format, args);
    va_end(args);
}

void ReportInFile(GSCompileUnit* unit, bool error, bool warning, const char* fileName, int line, const char* format,
                  ...)
{
    va_list args;
    va_start(args, format);
    ReportWithName(unit, error, warning, fileName, line, format, args);
    va_end(args);
}

}  // namespace GSCompiler
