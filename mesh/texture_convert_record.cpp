// The three steps of one texture source's conversion, and their messages.
#include "mesh/texture_convert_record.h"

#include <exception>
#include <string>

#include "assetdb/resource_database.h"
#include "foundation/base/file_utilities.h"
#include "foundation/base/install_paths.h"
#include "foundation/base/job_dispatcher.h"
#include "interfacetext/interface_text_db.h"
#include "mesh/compress_ascii_resource.h"
#include "results/results_log.h"
#include "soup/soup_handle.h"
#include "zel/ascii.h"
#include "zel/path.h"

namespace {

// The converter's options: no automatic mips on the display, formats by alpha class.
constexpr const char* ConversionOptions = "-Automip=none -Compression=auto";

void AddLine(ResultsLog& log, ResultsLog::MessageKind kind, const char* text, const SoupHandle* parameters)
{
    Zel::String line = text[0] == '$' ? GetInterfaceText(text) : Zel::String(text);
    log.AddMessage(kind, PropertyHandle(), line, parameters);
}

// The split of a full path into folder name and relative path lower-cases
// the relative part; the source must get back the name it had, so the
// relative path takes its letters from the full path again.
void KeepLetterCase(const Zel::File::Path& fullPath, Zel::File::Path& relative)
{
    Zel::File::Path full = fullPath;
    full.Normalize();
    const std::string& text = full.Str();
    const std::string& tail = relative.Str();
    if (tail.size() <= text.size() && Zel::AsciiEqualIgnoreCase(text.substr(text.size() - tail.size()), tail))
        relative = Zel::File::Path(text.substr(text.size() - tail.size()));
}

}  // namespace

TextureConvertFileRecord::~TextureConvertFileRecord() = default;

void TextureConvertFileRecord::Report(const char* text, const char* fileName, bool withArchive)
{
    success_ = false;
    SoupHandle parameters;
    parameters.EnsureContainer();
    if (fileName)
        parameters.SetNamedTag(Zel::PString("file_name"), fileName);
    if (withArchive)
        parameters.SetNamedTag(Zel::PString("archive"), folderName_);
    AddLine(*log_, ResultsLog::MessageKind::Error, text, &parameters);
}

void TextureConvertFileRecord::Start(const Zel::PString& folderName, const Zel::File::Path& path, ResultsLog& log)
{
    folderName_ = folderName;
    path_ = path;
    log_ = &log;
    success_ = true;
    Prepare();
    chain_.Append(
        new TCXCallbackCPPVoidPtr<TextureConvertFileRecord>(this, &TextureConvertFileRecord::LoadAndLockTexture), 11);
    chain_.Append(
        new TCXCallbackCPPVoidPtr<TextureConvertFileRecord>(this, &TextureConvertFileRecord::CompressAndWriteTexture),
        24);
    chain_.Append(new TCXCallbackCPPVoidPtr<TextureConvertFileRecord>(this, &TextureConvertFileRecord::ReleaseTexture),
                  9);
    chain_.Start();
}

bool TextureConvertFileRecord::Prepare()
{
    const Zel::File::Path fullPath = path_;
    if (!GetRootFolderOfPath(folderName_, path_)) {
        Report("Unable to determine relative path for '$(FILE_NAME)'", fullPath.c_str(), false);
        return false;
    }
    KeepLetterCase(fullPath, path_);
    outputPath_ = path_;
    outputPath_.SetExt(nullptr);
    // The old output goes first: a failed conversion leaves none behind.
    Zel::File::Path outputFull;
    if (BuildFolderPath(folderName_, outputPath_.c_str(), outputFull))
        Zel::File::Unlink(outputFull.c_str());
    sourcePath_ = path_;
    path_.SetExt(nullptr);
    path_.SetExt(CompressAsciiResource::TypeName);
    if (!RenameFile(folderName_, sourcePath_.c_str(), path_.c_str())) {
        Report("Unable to rename file '$(FILE_NAME)' in subst '$(ARCHIVE)'", sourcePath_.c_str(), true);
        return false;
    }
    moved_ = true;
    temporaryPath_ = path_;
    path_.SetExt(nullptr);
    return true;
}

void TextureConvertFileRecord::LoadAndLockTexture(intptr_t /*argument*/)
{
    // A record whose preparation failed still runs this step: it reports
    // its own line (with the parameters it has), as callers count them.
    database_ = OpenResourceDatabase(folderName_, GetInstallRoot());
    if (database_ == nullptr) {
        Report("$kadtexture_invalid_subst", nullptr, true);
        return;
    }
    Zel::Resource* resource = database_->Get(path_.c_str(), 2);
    if (resource == nullptr) {
        Report("$kadtexture_open_error", path_.c_str(), true);
        return;
    }
    resource_ = dynamic_cast<CompressAsciiResource*>(resource);
    if (resource_ == nullptr) {
        resource->ReleaseReference();
        Report("$kadtexture_incorrect_resource", path_.c_str(), true);
        return;
    }
    options_.ProcessRaw(ConversionOptions);
    resource_->SetOptions(&options_);
    if (resource_->Lock() != 0) {
        Report("$kadtexture_load_error", path_.c_str(), true);
        return;
    }
    if (resource_->LockSourceMips()) {
        locked_ = true;
    } else {
        Report("$kadtexture_lock_error", path_.c_str(), true);
        resource_->Unlock();
    }
}

void TextureConvertFileRecord::CompressAndWriteTexture(intptr_t /*argument*/)
{
    if (locked_) {
        // An exception must not skip the source's name coming back below.
        try {
            bool enableCuda = !QueryCompressorFlag();
            std::string error;
            if (!resource_->SaveCompressed(folderName_, outputPath_.c_str(), enableCuda, &error)) {
                Report("Unable to write output file '$(FILE_NAME)'", outputPath_.c_str(), false);
                // The text of this conversion, not the shared last error
                // another worker may have replaced meanwhile.
                if (!error.empty())
                    log_->AddMessage(ResultsLog::MessageKind::Info, error.c_str());
            }
        } catch (const std::exception& thrown) {
            ReportException(thrown.what());
        }
    }
    RestoreSourceName();
}

void TextureConvertFileRecord::ReportException(const char* what)
{
    success_ = false;
    SoupHandle parameters;
    parameters.EnsureContainer();
    parameters.SetNamedTag(Zel::PString("error"), what);
    parameters.SetNamedTag(Zel::PString("file_name"), outputPath_.c_str());
    AddLine(*log_, ResultsLog::MessageKind::Error, "Exception '$(ERROR)' thrown while processing '$(FILE_NAME)'",
            &parameters);
}

void TextureConvertFileRecord::RestoreSourceName()
{
    if (moved_) {
        RenameFile(folderName_, temporaryPath_.c_str(), sourcePath_.c_str());
        moved_ = false;
    }
}

void TextureConvertFileRecord::ReleaseTexture(intptr_t /*argument*/)
{
    if (resource_ != nullptr) {
        if (locked_) {
            resource_->GetMipUnlock();
            resource_->Unlock();
            locked_ = false;
        }
        resource_->ReleaseReference();
        resource_ = nullptr;
    }
    if (database_ != nullptr) {
        ReleaseResourceDatabase(database_);
        database_ = nullptr;
    }
}

void TextureConvertFileRecord::FinishAbandoned()
{
    RestoreSourceName();
    ReleaseTexture(0);
}
