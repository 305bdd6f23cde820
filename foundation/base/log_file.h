// LogFile: the text log on disk beside the console output, its path builder and its folder creation.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "foundation/base/os_mutex.h"
#include "foundation/base/seconds_clock.h"
#include "foundation/base/vrex_data_buffer.h"

// The longest path the builder makes, terminator excluded.
constexpr std::size_t LogFilePathLength = 259;

// Process-wide settings of the writer and the path builder. Nothing in the
// utility sets them: a host that keeps a log does.
struct LogFileSettings {
    std::u16string baseFolder;
    std::u16string defaultSubFolder;
    // Delete an existing file instead of choosing a new name.
    bool overwrite = false;
    // Base date (yyyymmdd) and the clock reading that falls on its midnight.
    std::uint32_t baseDate = 0;
    double startTime = 0.0;
    // Put a time stamp before the suppressed-lines line.
    bool highResolutionTimeStamp = false;
};
LogFileSettings& GetLogFileSettings();

// Creates the folder and its missing parents; true when it exists as a
// folder afterwards. A file in the way fails with LastMakeDirectoryError()
// 80 (file exists); a folder that cannot be made logs
// "MakeDirectory> CreateDirectoryW returned err %d" with the system's error.
bool MakeDirectoryTree(const std::u16string& path);
// The error of the calling thread's last failed MakeDirectoryTree.
int LastMakeDirectoryError();

// "yy.mm.dd  hh:mm:ss.cc| " for t seconds after midnight of the base date
// (yyyymmdd); a negative t falls on an earlier day.
std::string FormatLogTimeStamp(std::uint32_t baseDate, double seconds);

class LogFile {
public:
    // The repeat text starts as the given one; after that it is the last
    // text written, so a run of one repeated line is counted, not written.
    LogFile(std::u16string subFolder, std::u16string fileName, SecondsClock& clock = MonotonicSecondsClock(),
            std::string repeatText = std::string());
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Appends the bytes (the console writer passes a line and "\r\n"). The
    // file is opened on the first write; when it cannot be, the data is
    // dropped and the next write tries again.
    void Write(const void* data, std::size_t length);
    void SetFlushEachLine(bool on);
    // Reports the suppressed lines and closes the file.
    void Close();
    void SetEnabled(bool on);

    // Empty until a file was chosen.
    std::u16string FilePath();
    bool IsOpen();

    // Builds "<base>/<sub-folder or default>/<name>", makes its folder and,
    // unless the settings say overwrite, picks the first name that does not
    // exist: name, name_2, name_3... (the numbering of the crash dump). With
    // overwrite the existing file is deleted. False when the path would be
    // longer than LogFilePathLength.
    static bool MakeFilePath(const char16_t* subFolder, const std::u16string& name, std::u16string& out);

private:
    bool OpenFile();
    void WriteSuppressedLine();

    OS::Mutex lock_;
    SecondsClock& clock_;
    std::string repeatText_;
    std::uint32_t suppressed_ = 0;
    std::u16string subFolder_;
    std::u16string fileName_;
    std::u16string filePath_;
    std::unique_ptr<VrexDataBufferFile> file_;
    bool enabled_ = true;
    bool flushEachLine_ = false;
    // Set while the file is being opened: a failure there logs through the
    // console, whose line comes back here and must not open again.
    bool opening_ = false;
};

// The process's log file (null when there is none). Opening one also makes
// every console line go to it, followed by CR LF.
LogFile* ProcessLogFile();
void SetProcessLogFile(std::unique_ptr<LogFile> file);
