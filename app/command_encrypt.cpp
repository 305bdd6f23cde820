// encrypt: scrambles a script source (.gs) into a protected source (.gse).
#include <mutex>

#include "app/commands.h"
#include "results/results_log.h"
#include "app/start_directory_scope.h"
#include "script/common/source_file.h"
#include "script/common/toolchain_lock.h"
#include "zel/path.h"

int CommandEncrypt(ResultsLog& log, const Zel::PString& sourcePath)
{
    // Loading consumes the process-wide one-shot source prefix.
    std::lock_guard<std::recursive_mutex> hold(ScriptToolchainLock);
    StartDirectoryScope directory;
    Zel::File::Path outputPath(sourcePath.c_str());
    GSSourceFile source;
    if (!outputPath.IsExt("gs") || !source.Load(nullptr, sourcePath.c_str())) {
        log.AddMessage(ResultsLog::MessageKind::Error, "Invalid file path.");
        return -1;
    }
    outputPath.SetExt("gse");
    if (!source.Save(nullptr, outputPath.c_str())) {
        log.AddMessage(ResultsLog::MessageKind::Error, "Unable to write file.");
        return -1;
    }
    return 0;
}
