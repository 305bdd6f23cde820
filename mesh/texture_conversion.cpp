// Texture conversion of a folder tree: one chained record per texture source, run on the job workers, then waited for.
#include "mesh/texture_conversion.h"

#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "foundation/base/file_utilities.h"
#include "foundation/base/job_dispatcher.h"
#include "interfacetext/interface_text_db.h"
#include "mesh/compress_ascii_resource.h"
#include "mesh/texture_convert_record.h"
#include "results/results_log.h"
#include "soup/soup_handle.h"
#include "zel/file_find.h"
#include "zel/path.h"

int ConvertAssetTextures(Zel::PString& error, const Zel::File::Path& folder, ResultsLog& log)
{
    int result = ConvertFolderTextures(Zel::PString(), folder, log);
    error = result == TextureConversionDone ? Zel::PString() : Zel::PString("Texture conversion failed.");
    return result;
}

int ConvertFolderTextures(const Zel::PString& assetName, const Zel::File::Path& folder, ResultsLog& log)
{
    CompressAsciiResource::RegisterType();
    Zel::File::Path pattern = folder;
    pattern.AddPath("*");
    Zel::File::Find find;
    bool opened = assetName.IsEmpty() ? find.Open(pattern.c_str()) : find.Open(pattern.c_str(), assetName.c_str());
    if (!opened) {
        SoupHandle parameters;
        parameters.EnsureContainer();
        parameters.SetNamedTag(Zel::PString("file_name"), folder.c_str());
        log.AddMessage(ResultsLog::MessageKind::Error, PropertyHandle(),
                       Zel::String("Unable to search path: '$(FILE_NAME)'"), &parameters);
        return 0;
    }
    // The walk is listed first so the workers for this folder's sources
    // start together: posting alone adds one worker per 5 s, and the
    // compression jobs are the only lever on the conversion's time.
    struct Entry {
        Zel::File::Path path;
        bool folder;
    };
    std::vector<Entry> entries;
    size_t sources = 0;
    while (find.Next()) {
        if (IsDotOrDotDot(find.Name().c_str()))
            continue;
        Zel::File::Path child = folder;
        child.AddPath(find.Name().c_str());
        if (find.IsDirectory()) {
            entries.push_back({child, true});
        } else if (IsTextureSourceName(find.Name().c_str())) {
            entries.push_back({child, false});
            ++sources;
        }
    }
    if (sources > 0)
        JobDispatcher::Instance().EnsureWorkers(
            std::min<size_t>(sources, std::max(1u, std::thread::hardware_concurrency())));
    bool allDone = true;
    std::vector<std::unique_ptr<TextureConvertFileRecord>> records;
    for (const Entry& entry : entries) {
        if (entry.folder) {
            allDone = ConvertFolderTextures(assetName, entry.path, log) == TextureConversionDone && allDone;
        } else {
            records.push_back(std::make_unique<TextureConvertFileRecord>());
            records.back()->Start(assetName, entry.path, log);
        }
    }
    for (size_t i = 0; i < records.size(); ++i) {
        records[i]->Chain().WaitUntilDone();
        allDone = allDone && records[i]->Succeeded();
        if (records[i]->Chain().HasFailed()) {
            std::string line = GetInterfaceText("$kad_texture_compress_err").c_str();
            line += " (";
            line += records[i]->SourcePath().c_str();
            line += ")";
            log.AddMessage(ResultsLog::MessageKind::Error, line.c_str());
            // Every record writes to the caller's log and may hold a source
            // under its temporary name: none may outlive this call.
            for (size_t j = i; j < records.size(); ++j) {
                records[j]->Chain().WaitUntilDone();
                if (records[j]->Chain().HasFailed())
                    records[j]->FinishAbandoned();
            }
            return 1;
        }
    }
    return allDone ? TextureConversionDone : 0;
}
