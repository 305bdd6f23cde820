// VrexDataBuffer and VrexDataBufferFile: a byte store with 64-bit sizes, kept in a file opened in one of four modes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// Status codes of the operations; nothing is thrown.
enum VrexStatus : int {
    VrexOk = 0,
    VrexNotAllowed = 1,  // the access mode forbids the operation
    VrexFailed = 2,      // the call failed or moved fewer bytes than asked
    VrexNotOpen = 7,
};

class VrexDataBuffer {
public:
    VrexDataBuffer() = default;
    virtual ~VrexDataBuffer() = default;
    VrexDataBuffer(const VrexDataBuffer&) = delete;
    VrexDataBuffer& operator=(const VrexDataBuffer&) = delete;

    virtual std::uint64_t GetSize() = 0;
    virtual int SetSize(std::uint64_t size) = 0;
    virtual std::uint64_t Tell() = 0;
    virtual int Seek(std::uint64_t position) = 0;
    virtual int Write(const void* data, std::uint64_t length) = 0;
    virtual int Read(void* buffer, std::uint64_t length) = 0;
    virtual void Flush() {}
};

class VrexDataBufferFile : public VrexDataBuffer {
public:
    enum Mode : std::int32_t {
        ReadOnly = 0,         // an existing file, reading only
        WriteTruncate = 1,    // created or emptied, writing only
        WriteAppendable = 2,  // an existing file kept (or a new one), writing only
        ReadWrite = 3,        // an existing file, reading and writing
    };

    // Opens the file; the object exists even when that failed (IsOpen false).
    // The UTF-16 path is turned into the file system's UTF-8, so names
    // beyond the ANSI code page work; '\\' is taken as a separator.
    VrexDataBufferFile(std::int32_t mode, std::u16string path);
    ~VrexDataBufferFile() override;

    bool IsOpen() const { return file_ != nullptr; }
    std::uint64_t GetSize() override { return size_; }
    int SetSize(std::uint64_t size) override;
    std::uint64_t Tell() override { return position_; }
    int Seek(std::uint64_t position) override;
    int Write(const void* data, std::uint64_t length) override;
    int Read(void* buffer, std::uint64_t length) override;
    // Writes the runtime's buffer through to the disk (fflush and fsync).
    void Flush() override;

private:
    // In read-write mode a change of direction reopens the file at the
    // position, as the runtime needs a positioning call between the two.
    void ReopenAtPosition();

    std::FILE* file_ = nullptr;
    std::int32_t mode_;
    std::uint64_t size_ = 0;
    std::uint64_t position_ = 0;
    bool lastAccessWasRead_ = false;
    std::u16string path_;
    std::string nativePath_;
};
