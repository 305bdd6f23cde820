// Engine log: named clients whose lines go to stdout (-LogStdOut), a file (-LogFile=path) or nowhere.
#pragma once

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <string>

namespace Zel {

class Options;

class LogClient {
public:
    explicit LogClient(const char* name);
    const std::string& Name() const { return name_; }
    void SetLevel(int level) { level_ = level; }
    int GetLevel() const { return level_; }

    // Formats and writes one line (a line feed is added unless the text ends
    // with one). The level is recorded, not filtered.
    void OutputString(int level, const char* format, ...) __attribute__((format(printf, 3, 4)));
    void OutputStringV(int level, const char* format, va_list arguments);

private:
    std::string name_;
    std::atomic<int> level_{0};
};

class Log {
public:
    // The client of that name, made on first use; lives for the process.
    static LogClient* GetClient(const char* name);
    // Chooses the output from the options: "LogStdOut" -> the process's
    // stdout FILE* (so log lines keep their order with other output);
    // "LogFile=<path>" -> that file, created or truncated ("/dev/null" works
    // literally); neither -> nowhere. Until Init nothing is written.
    static bool Init(const Options& options);
    // Closes a log file; later lines go nowhere.
    static void Shutdown();
    // Writes one finished line to the chosen output (thread-safe).
    static void Write(const char* text, size_t length);
    static bool IsWritingToStdout();
    // Sends lines to another stream (tests); null = nowhere.
    static void SetOutput(FILE* output);
};

}  // namespace Zel
