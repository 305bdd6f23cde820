// Engine file: open/read/write/line I/O, and the static file-system operations over resolved paths.
//
// Path rules shared by every operation here:
// - '\\' is accepted on input and becomes '/'. A leading '/' is absolute, as
//   are the drive forms ("c:/", "c:\\") and a leading double backslash.
// - Substitution: a path whose first component is a name registered with
//   Subst (case-insensitive) resolves to the target followed by the rest. The
//   "container" argument of the two-name forms is such a name; an unknown
//   container makes the operation fail.
// - Letter case: when the path does not exist as written, each component is
//   matched without regard to ASCII case against its folder's listing (several
//   matches: the exact-case one, else the byte-wise smallest). Creation
//   resolves existing parents so and makes the final component with the case
//   given. Listings are cached and dropped when the folder changes.
// - Every descriptor is opened close-on-exec.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace Zel {

class File {
public:
    class Path;  // zel/path.h
    class Find;  // zel/file_find.h

    // Open modes. Bit 0x01 writes (creating and truncating); 0x10 and 0x20 read.
    enum : int {
        ModeRead = 0x10,
        ModeReadPath = 0x20,
        ModeWrite = 0x101,
        ModeWriteCreate = 0x301,
        ModeWriteContent = 0x121,
    };
    // Seek origins.
    enum : int { SeekSet = 0, SeekCur = 1, SeekEnd = 2 };
    // Size of the buffer ReadLine callers use; a line is cut at kLineBufferSize - 1 bytes.
    static constexpr int kLineBufferSize = 512;

    File();
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // 0 on success, else an errno value (never 0). Share flags are accepted
    // and ignored. A file already open is closed first.
    int Open(const char* path, int mode, int share = 0);
    int Open(const char* container, const char* path, int mode, int share = 0);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    // The path as given and the path actually opened.
    const std::string& Name() const { return name_; }
    const std::string& ResolvedName() const { return resolved_; }
    int Mode() const { return mode_; }
    int Handle() const { return fd_; }

    // Byte counts; short on end of file or error, 0 when not open.
    int64_t Read(void* buffer, int64_t count);
    int64_t Write(const void* data, int64_t count);
    // Writes count elements of elementSize bytes; returns elements written.
    int64_t Write(const void* data, size_t elementSize, size_t count);
    bool Write(uint32_t value);  // little-endian
    bool Write(float value);     // little-endian
    // New position, or -1.
    int64_t Seek(int64_t offset, int origin);
    int64_t Tell() const;
    int64_t Size() const;
    // True as soon as no further byte can be read (no phantom empty last line).
    bool Eof();

    // Reads one line into buffer, keeping its terminator (LF or CR LF). At most
    // size - 1 bytes are stored and a zero added; the rest of a longer line is
    // left for the next call. Returns the bytes stored (0 at end of file).
    int ReadLine(char* buffer, int size);
    // Writes the text and a line feed; false on a short write.
    bool WriteLine(const char* text);
    // Flushes to the disk (fsync).
    bool Flush();

    // 0 when the path exists (file or folder), else an errno value.
    static int Exists(const char* path);
    static int Exists(const char* container, const char* path);
    static bool IsDirectory(const char* path);
    static bool IsDirectory(const char* container, const char* path);
    // True when the path exists and is not a folder: the two questions above
    // answered from one resolution.
    static bool IsFile(const char* path);
    // Makes the folder and every missing parent; 0 when it exists afterwards
    // as a folder. Existing folders in another letter case are reused.
    static int Md(const char* path);
    static int Md(const char* container, const char* path);
    // Fails (EEXIST) when the target exists, as the Windows move does.
    static int Rename(const char* from, const char* to);
    static int Rename(const char* container, const char* from, const char* to);
    // Removes a file (not a folder).
    static int Unlink(const char* path);
    static int Unlink(const char* container, const char* path);
    // Removes a folder and everything in it. Symbolic links are removed, never
    // followed; a path that is not a folder (a link to one included) fails.
    static int Prune(const char* path);
    static int Prune(const char* container, const char* path);
    // The current working folder.
    static bool GetCwd(Path& out);

    // Registers name -> target (case-insensitive name); folder tells a folder
    // target from an archive file. A null or empty target removes the name.
    static void Subst(const char* name, const char* target, bool folder = true);
    // The target of a registered name, or false.
    static bool GetSubst(const char* name, std::string& target, bool* folder = nullptr);

    // The file-system path for (container, path) after separators,
    // substitution and letter-case resolution; false when a container or an
    // archive target makes it unreachable. With forCreate, a missing final
    // component keeps its given case (missing parents too).
    static bool Resolve(const char* container, const char* path, std::string& out, bool forCreate = false);
    // Drops every cached folder listing.
    static void FlushListingCache();
    // For a folder much of the program works below (the installation
    // root): its letter case is matched once, here, and paths that begin
    // with it as spelt here are matched below it only. A caller that knows
    // the spelling on disk (the program's own folder) gives it as onDisk;
    // it is used when it exists and differs from path in letter case only.
    static void AnchorFolder(const char* path, const char* onDisk = nullptr);

private:
    bool FillBuffer();
    void DropReadBuffer();

    int fd_ = -1;
    int mode_ = 0;
    std::string name_;
    std::string resolved_;
    // Read-ahead for ReadLine and Eof; Write and Seek drop it.
    char* buffer_ = nullptr;
    int bufferLength_ = 0;
    int bufferPos_ = 0;
};

}  // namespace Zel

#include "zel/file_find.h"
#include "zel/path.h"
