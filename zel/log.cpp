// Engine log: clients, and the one output chosen at Init (stdout, a file, or nowhere).
#include "zel/log.h"

#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

#include "zel/named_registry.h"
#include "zel/options.h"
#include "zel/string.h"

namespace Zel {
namespace {

std::mutex g_outputLock;
FILE* g_output = nullptr;
bool g_ownsOutput = false;

void CloseOutputLocked()
{
    if (g_output && g_ownsOutput)
        fclose(g_output);
    g_output = nullptr;
    g_ownsOutput = false;
}

}  // namespace

LogClient::LogClient(const char* name) : name_(name ? name : "") {}

void LogClient::OutputString(int level, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    OutputStringV(level, format, arguments);
    va_end(arguments);
}

void LogClient::OutputStringV(int level, const char* format, va_list arguments)
{
    level_ = level;
    AnsiString line;
    line.Add(format, arguments);
    if (line.IsEmpty() || line[line.Size() - 1] != '\n')
        line.Add('\n');
    Log::Write(line.c_str(), line.Size());
}

LogClient* Log::GetClient(const char* name)
{
    return GetNamedInstance<LogClient>(name);
}

bool Log::Init(const Options& options)
{
    std::lock_guard<std::mutex> guard(g_outputLock);
    CloseOutputLocked();
    if (options.Has("LogStdOut")) {
        g_output = stdout;
        return true;
    }
    const char* path = options.Get("LogFile", nullptr);
    if (!path || !*path)
        return true;
    int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    FILE* file = fdopen(fd, "w");
    if (!file) {
        close(fd);
        return false;
    }
    g_output = file;
    g_ownsOutput = true;
    return true;
}

void Log::Shutdown()
{
    std::lock_guard<std::mutex> guard(g_outputLock);
    CloseOutputLocked();
}

void Log::Write(const char* text, size_t length)
{
    std::lock_guard<std::mutex> guard(g_outputLock);
    if (!g_output || !text)
        return;
    fwrite(text, 1, length, g_output);
    // A log file is read by people while the program runs; stdout keeps its
    // own (line) buffering so its order with other output holds.
    if (g_ownsOutput)
        fflush(g_output);
}

bool Log::IsWritingToStdout()
{
    std::lock_guard<std::mutex> guard(g_outputLock);
    return g_output == stdout;
}

void Log::SetOutput(FILE* output)
{
    std::lock_guard<std::mutex> guard(g_outputLock);
    CloseOutputLocked();
    g_output = output;
}

}  // namespace Zel
