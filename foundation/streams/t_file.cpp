// TFile: stream operations over an engine File.
#include "foundation/streams/t_file.h"

#include <string>

TFile::TFile(Zel::File* file, bool owns) : file_(file), owns_(owns) {}

TFile::~TFile()
{
    Close();
}

bool TFile::OpenOwned(const char* container, const char* path, int mode)
{
    Close();
    file_ = new Zel::File();
    owns_ = true;
    int result = container != nullptr ? file_->Open(container, path, mode) : file_->Open(path, mode);
    return result == 0;
}

bool TFile::Open(const char* path, int mode)
{
    return OpenOwned(nullptr, path, mode);
}

bool TFile::OpenInContainer(const char* container, const char* name, int mode)
{
    return OpenOwned(container, name, mode);
}

void TFile::Close()
{
    HandOverStaged();
    if (file_ != nullptr) {
        if (owns_)
            delete file_;
        else if (UnreadCount() > 0 && file_->IsOpen())
            file_->Seek(-int64_t(UnreadCount()), Zel::File::SeekCur);
    }
    file_ = nullptr;
    owns_ = false;
    EmptyCache();
    ClearError();
}

void TFile::Reset()
{
    if (!IsOpen())
        return;
    HandOverStaged();
    // The resolved name: a file opened through a container or a case-folded
    // path reopens as the same file.
    std::string name = file_->ResolvedName();
    file_->Close();
    EmptyCache();
    ClearError();
    file_->Open(name.c_str(), Zel::File::ModeWrite);
}

int64_t TFile::Tell()
{
    if (file_ == nullptr)
        return 0;
    return file_->Tell() - UnreadCount() + StagedCount();
}

bool TFile::IsOpen()
{
    return file_ != nullptr && file_->IsOpen();
}

bool TFile::Eof()
{
    HandOverStaged();
    if (file_ == nullptr)
        return true;
    return UnreadCount() == 0 && file_->Eof();
}

int64_t TFile::DoWrite(const void* bytes, int64_t count)
{
    if (file_ == nullptr) {
        SetError(ErrorInputOutput);
        return 0;
    }
    int64_t written = file_->Write(bytes, count);
    if (written != count)
        SetError(ErrorInputOutput);
    return written < 0 ? 0 : written;
}

// Reaching the end of the file is not an input/output error: the cache asks
// for 4096 bytes whatever the file holds, and a typed read that comes short
// records ErrorShortRead itself. Only a short read before the end counts.
int64_t TFile::RawRead(void* buffer, int64_t count)
{
    if (file_ == nullptr) {
        SetError(ErrorInputOutput);
        return 0;
    }
    int64_t got = file_->Read(buffer, count);
    if (got < 0)
        got = 0;
    if (got != count && !file_->Eof())
        SetError(ErrorInputOutput);
    return got;
}

int64_t TFile::DoSeek(int64_t offset, int origin)
{
    if (file_ == nullptr) {
        SetError(ErrorInputOutput);
        return -1;
    }
    int64_t position = file_->Seek(offset, origin);
    if (position < 0)
        SetError(ErrorInputOutput);
    return position;
}
