// LogFile: lazy opening under a fresh name, suppression of repeated lines, flushing and the process's log file.
#include "foundation/base/log_file.h"

#include <atomic>
#include <cstdio>
#include <string_view>
#include <fcntl.h>
#include <unistd.h>

#include "foundation/base/code_page.h"
#include "foundation/base/console_output.h"

namespace {

constexpr int CreateAttempts = 5;

std::unique_ptr<LogFile> processLogFile;
std::atomic<LogFile*> processLogFilePointer{nullptr};

// Creates the file only when nothing has that name yet (O_EXCL makes the
// test and the creation one step, so two writers never share a log).
bool CreateFresh(const std::u16string& path)
{
    std::string native;
    if (!Utf16ToCodePage(path, CP_UTF8, native))
        return false;
    int descriptor = open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (descriptor < 0)
        return false;
    bool written = write(descriptor, "\r\n", 2) == 2;
    close(descriptor);
    return written;
}

void WriteConsoleLineToLog(const std::string& line)
{
    if (LogFile* file = processLogFilePointer.load()) {
        std::string withEnd = line + "\r\n";
        file->Write(withEnd.data(), withEnd.size());
    }
}

}  // namespace

LogFile::LogFile(std::u16string subFolder, std::u16string fileName, SecondsClock& clock, std::string repeatText)
    : clock_(clock),
      repeatText_(std::move(repeatText)),
      subFolder_(std::move(subFolder)),
      fileName_(std::move(fileName))
{}

LogFile::~LogFile()
{
    Close();
}

bool LogFile::OpenFile()
{
    if (file_ != nullptr)
        return true;
    if (opening_)
        return false;
    opening_ = true;
    if (filePath_.empty()) {
        for (int attempt = 0; attempt < CreateAttempts; ++attempt) {
            std::u16string path;
            if (!MakeFilePath(subFolder_.c_str(), fileName_, path))
                continue;
            filePath_ = path;
            if (CreateFresh(path))
                break;
        }
    }
    if (!filePath_.empty()) {
        auto file = std::make_unique<VrexDataBufferFile>(VrexDataBufferFile::WriteAppendable, filePath_);
        if (file->IsOpen() && file->Seek(file->GetSize()) == VrexOk)
            file_ = std::move(file);
    }
    opening_ = false;
    return file_ != nullptr;
}

void LogFile::WriteSuppressedLine()
{
    std::string line;
    const LogFileSettings& settings = GetLogFileSettings();
    if (settings.highResolutionTimeStamp)
        line = FormatLogTimeStamp(settings.baseDate, clock_.Now() - settings.startTime);
    char count[48];
    std::snprintf(count, sizeof count, "[%u lines suppressed]\r\n", static_cast<unsigned>(suppressed_));
    line += count;
    suppressed_ = 0;
    file_->Write(line.data(), line.size());
}

void LogFile::Write(const void* data, std::size_t length)
{
    // The console lock first, as the console writer takes it before it calls
    // in: opening may log a folder failure through the console, and the
    // other order would let two threads each hold one lock and wait for the other.
    std::lock_guard<std::recursive_timed_mutex> console(ConsoleOutputLock());
    OS::MutexLock hold(lock_);
    if (!enabled_ || !OpenFile())
        return;
    std::string_view text(static_cast<const char*>(data), length);
    if (text == repeatText_ && !flushEachLine_) {
        ++suppressed_;
        return;
    }
    if (suppressed_ > 0)
        WriteSuppressedLine();
    file_->Write(data, length);
    // Assigned in place: the buffer is reused, no allocation per line.
    repeatText_.assign(text);
    if (flushEachLine_)
        file_->Flush();
}

void LogFile::SetFlushEachLine(bool on)
{
    OS::MutexLock hold(lock_);
    flushEachLine_ = on;
    if (file_ != nullptr)
        file_->Flush();
}

void LogFile::Close()
{
    OS::MutexLock hold(lock_);
    if (file_ != nullptr && suppressed_ > 0)
        WriteSuppressedLine();
    suppressed_ = 0;
    file_.reset();
}

void LogFile::SetEnabled(bool on)
{
    OS::MutexLock hold(lock_);
    enabled_ = on;
}

std::u16string LogFile::FilePath()
{
    OS::MutexLock hold(lock_);
    return filePath_;
}

bool LogFile::IsOpen()
{
    OS::MutexLock hold(lock_);
    return file_ != nullptr;
}

LogFile* ProcessLogFile()
{
    return processLogFilePointer.load();
}

void SetProcessLogFile(std::unique_ptr<LogFile> file)
{
    // Under the console lock, so no line is half way into the old file.
    std::lock_guard<std::recursive_timed_mutex> hold(ConsoleOutputLock());
    processLogFilePointer.store(file.get());
    SetConsoleLogFileSink(file != nullptr ? WriteConsoleLineToLog : nullptr);
    processLogFile = std::move(file);
}
