// The job record of one texture source being converted: its three chained steps and what each leaves for the next.
#pragma once

#include <cstdint>

#include "assetdb/kad_texture_convert_rpc.h"
#include "foundation/base/worker_call_chain.h"
#include "zel/file.h"
#include "zel/options.h"
#include "zel/pstring.h"

class CompressAsciiResource;
class KorvelResourceDatabase;
class ResultsLog;

class TextureConvertFileRecord : public KADTextureConvertFileRPC {
public:
    TextureConvertFileRecord() = default;
    ~TextureConvertFileRecord();
    TextureConvertFileRecord(const TextureConvertFileRecord&) = delete;
    TextureConvertFileRecord& operator=(const TextureConvertFileRecord&) = delete;

    // Fills the record, prepares it on this thread and starts its chain.
    void Start(const Zel::PString& folderName, const Zel::File::Path& path, ResultsLog& log);

    // The steps: load and lock on the main thread, compress and write on a
    // worker, release on the main thread. Each does only what the record's
    // flags allow, so a failed step leaves the later ones safe to run.
    void LoadAndLockTexture(intptr_t argument);
    void CompressAndWriteTexture(intptr_t argument);
    void ReleaseTexture(intptr_t argument);

    // After the dispatcher dropped a step: the later steps never run, so
    // their clean-up (the source's own name, the resource, the database)
    // is done here, on the caller's thread.
    void FinishAbandoned();

    KorvelWorkerCallChain& Chain() { return chain_; }
    bool Succeeded() const { return success_; }
    const Zel::File::Path& SourcePath() const { return sourcePath_; }

private:
    bool Prepare();
    void RestoreSourceName();
    // An error line: key or text, "$" keys through the interface text, with
    // the record's file name and folder name as parameters.
    void Report(const char* text, const char* fileName, bool withArchive);
    void ReportException(const char* what);

    Zel::PString folderName_;
    Zel::File::Path path_;
    ResultsLog* log_ = nullptr;
    bool success_ = true;
    KorvelWorkerCallChain chain_;
    KorvelResourceDatabase* database_ = nullptr;
    CompressAsciiResource* resource_ = nullptr;
    bool locked_ = false;
    bool moved_ = false;
    Zel::File::Path temporaryPath_;
    Zel::File::Path sourcePath_;
    Zel::File::Path outputPath_;
    Zel::Options options_;
};
