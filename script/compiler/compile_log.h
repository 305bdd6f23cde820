// The compile log: the lines a compilation reports, oldest first.
#pragma once

#include <cstdint>

#include "script/common/frame_memory.h"
#include "script/common/queue.h"

class GSCompileLog {
public:
    GSCompileLog();
    ~GSCompileLog();
    GSCompileLog(const GSCompileLog&) = delete;
    GSCompileLog& operator=(const GSCompileLog&) = delete;

    // Copies the text; false (the line is lost) when memory runs out.
    bool AddLine(const char* text);
    uint32_t LineCount() const { return lines_.Count(); }
    // The i-th oldest line still held.
    const char* Line(uint32_t i) const { return lines_.At(i); }
    // Takes the oldest line; false when none is left.
    bool TakeLine(const char** text);

private:
    Utils::FrameMemory text_;
    Utils::Queue<char*, 1> lines_;
};

namespace GSCompiler {

struct GSCompileUnit;

// Longest message text; longer ones are cut.
constexpr int kMaxMessage = 255;

// Formats into the unit's log (when it has one); counts nothing.
void Print(GSCompileUnit* unit, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Counts, then prints "%s(%d) : %s" with the unit's file name and `line`.
void Report(GSCompileUnit* unit, bool error, bool warning, int line, const char* format, ...)
    __attribute__((format(printf, 5, 6)));
// The same with an explicit file name.
void ReportInFile(GSCompileUnit* unit, bool error, bool warning, const char* fileName, int line, const char* format,
                  ...) __attribute__((format(printf, 6, 7)));

}  // namespace GSCompiler
