// The locked console line writer and its printf-style front ends.
#include "foundation/base/console_output.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <unistd.h>
#include <vector>

#include "foundation/base/console_pipe.h"
#include "platform/file_io.h"

namespace {

constexpr std::size_t maxFormattedLength = 65535;

std::atomic<ConsoleLogFileSink> logFileSink{nullptr};

void WriteAll(int descriptor, const std::string& bytes)
{
    // The result of the write is not examined.
    Platform::WriteAll(descriptor, bytes.data(), bytes.size());
}

}  // namespace

std::recursive_timed_mutex& ConsoleOutputLock()
{
    static std::recursive_timed_mutex lock;
    return lock;
}

void SetConsoleLogFileSink(ConsoleLogFileSink sink)
{
    logFileSink.store(sink);
}

void WriteConsoleLine(std::string text)
{
    std::lock_guard<std::recursive_timed_mutex> guard(ConsoleOutputLock());
    if (ConsoleLogFileSink sink = logFileSink.load())
        sink(text);
    text += '\n';
    if (ConsoleOutputIsPipe()) {
        WriteToConsolePipe(ConsoleTextToWide(text));
        return;
    }
    // Result lines go through the stdio buffer of fd 1; keep the order.
    std::fflush(stdout);
    WriteAll(STDOUT_FILENO, text);
}

void ConsolePrintf(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    int needed = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    std::string text;
    if (needed > 0) {
        std::vector<char> buffer(static_cast<std::size_t>(needed) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        text.assign(buffer.data(), std::min(static_cast<std::size_t>(needed), maxFormattedLength));
    }
    va_end(args);
    WriteConsoleLine(std::move(text));
}

std::string FormatConsoleTextW(std::u16string_view format, std::initializer_list<SafeFormatArg> args)
{
    // Narrowing is per character, so formatting the narrowed format with
    // narrowed string arguments equals narrowing the wide result.
    std::string text = SafeFormatList(WideToConsoleText(format), args);
    if (text.size() > maxFormattedLength)
        text.resize(maxFormattedLength);
    return text;
}
