// The locked console line writer, its UTF-16 pipe, and the console-text conversions.
#pragma once

#include <mutex>
#include <string>
#include <string_view>

#include "foundation/base/safe_format.h"

// Writes text plus LF as one line, under the console output lock: to the
// process log file when one is attached, then to the console output (the
// pipe as UTF-16LE when a parent opened "\\.\pipe\<pid>cout", else standard
// output as single-byte text).
void WriteConsoleLine(std::string text);

// printf-style narrow formatting, then WriteConsoleLine. The text is cut to
// 65535 characters.
void ConsolePrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The same with a UTF-16 format; string arguments may be UTF-16 or narrow.
// The result is narrowed with WideToConsoleText before it is written.
std::string FormatConsoleTextW(std::u16string_view format, std::initializer_list<SafeFormatArg> args);
template <class... Args>
void ConsolePrintfW(std::u16string_view format, const Args&... args)
{
    WriteConsoleLine(FormatConsoleTextW(format, {SafeFormatArg(args)...}));
}

// One byte per UTF-16 unit: ASCII, tab, LF, CR and a few Windows-1252
// punctuation marks survive; everything else becomes '?'.
std::string WideToConsoleText(std::u16string_view text);
std::string WideToConsoleText(const char16_t* text);  // null gives ""
// One UTF-16 unit per byte; bytes 0x80-0xFF outside the known marks widen
// as signed values (0xFF80-0xFFFF), as the product does.
std::u16string ConsoleTextToWide(std::string_view text);

// Looks for the parent's pipe named after our process id and, when it is
// there and owned by our user, sends console lines to it. Runs once at
// program load; later calls do nothing.
void RedirectStdoutToPipe();
bool ConsoleOutputIsPipe();

// Serialises every console line; re-entrant. The crash path takes it with
// try_lock_for so a thread that died holding it cannot block the report.
std::recursive_timed_mutex& ConsoleOutputLock();

// Where the process log file takes its copy of each line (CR LF is the
// log file's business). The log-file writer registers itself here.
using ConsoleLogFileSink = void (*)(const std::string& line);
void SetConsoleLogFileSink(ConsoleLogFileSink sink);
