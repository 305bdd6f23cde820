// TFile: a TStream over an engine File, owned or borrowed.
#pragma once

#include "foundation/streams/t_stream.h"
#include "zel/file.h"

class TFile : public TStream {
public:
    // Over no file yet, or over the given one; with owns set the file is
    // deleted when the stream closes it.
    explicit TFile(Zel::File* file = nullptr, bool owns = false);
    ~TFile() override;

    // Closes any current file and opens an owned one (modes of Zel::File:
    // 16 read, 257 write). True when the file opened.
    bool Open(const char* path, int mode);
    bool OpenInContainer(const char* container, const char* name, int mode);
    // Deletes an owned file, or moves a borrowed one back by the unread
    // cached bytes so its position is the logical one; clears the error.
    void Close();

    // When open: closes, clears the error and reopens the same file for
    // writing (mode 257), which truncates it.
    void Reset() override;
    int64_t Tell() override;
    bool IsOpen() override;
    bool Eof() override;

    Zel::File* File() const { return file_; }

protected:
    int64_t DoWrite(const void* bytes, int64_t count) override;
    int64_t RawRead(void* buffer, int64_t count) override;
    int64_t DoSeek(int64_t offset, int origin) override;

private:
    bool OpenOwned(const char* container, const char* path, int mode);

    Zel::File* file_;
    bool owns_;
};
