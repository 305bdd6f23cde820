// InstallFromPathRecursive: install an asset folder, or every asset folder below a folder.
#include "assetdb/kad_command_bodies.h"

#include <sys/stat.h>

#include <string>

#include "assetdb/kad_client.h"
#include "assetdb/kad_failure_report.h"
#include "zel/file.h"

namespace {

bool HoldsFile(const Zel::File::Path& folder, const char* fileName)
{
    Zel::File::Path path = folder;
    path.AddPath(fileName);
    return Zel::File::Exists(path.c_str()) == 0;
}

// The daemon works in its own folder and with its own letter case: give it
// the folder as it is on disk, absolute.
Zel::File::Path DaemonFolderPath(const Zel::File::Path& folder)
{
    Zel::File::Path absolute = folder;
    if (!absolute.IsAbsolute()) {
        Zel::File::Path current;
        if (Zel::File::GetCwd(current)) {
            current.AddPath(folder);
            absolute = current;
        }
    }
    std::string resolved;
    if (Zel::File::Resolve(nullptr, absolute.c_str(), resolved))
        absolute = Zel::File::Path(resolved);
    absolute.Normalize();
    absolute.DelSlash();
    return absolute;
}

// A link below the starting folder may point anywhere, itself included: it
// is never walked into.
bool IsSymbolicLink(const Zel::File::Path& path)
{
    std::string resolved;
    if (!Zel::File::Resolve(nullptr, path.c_str(), resolved))
        return false;
    struct stat info;
    return lstat(resolved.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

bool StopRequested(KADPromptHandler* promptHandler)
{
    auto* stoppable = dynamic_cast<KADStoppablePromptHandler*>(promptHandler);
    return stoppable != nullptr && stoppable->IsStopRequested();
}

// The walk stops once a request was lost with the daemon: every later
// folder would fail the same way, and the command reports the loss.
int32_t InstallBelow(const Zel::File::Path& folder, ResultsLog& log, int32_t option, bool* flagOut,
                     KADPromptHandler* promptHandler, const KADFailureReport& link)
{
    if (folder.IsEmpty())
        return 0;
    if (HoldsFile(folder, "config.txt") || HoldsFile(folder, "config.chump")) {
        KUID installed = KADClient::InstallFolder(DaemonFolderPath(folder), option, &log, flagOut, promptHandler);
        // Only what the daemon really installed counts: a refused folder
        // must not make the command report success.
        return installed.IsNull() ? 0 : 1;
    }

    Zel::File::Path pattern = folder;
    pattern.AddPath("*");
    Zel::File::Find find;
    if (!find.Open(pattern.c_str()))
        return 0;
    int32_t count = 0;
    while (find.Next()) {
        if (find.Name() == "." || find.Name() == "..")
            continue;
        Zel::File::Path entry = folder;
        entry.AddPath(find.Name().c_str());
        if (find.IsDirectory() && !IsSymbolicLink(entry))
            count += InstallBelow(entry, log, option, flagOut, promptHandler, link);
        if (StopRequested(promptHandler) || link.RequestLost())
            break;
    }
    return count;
}

}  // namespace

int32_t InstallFromPathRecursive(const Zel::File::Path& folder, ResultsLog& log, int32_t option, bool* flagOut,
                                 KADPromptHandler* promptHandler)
{
    KADFailureReport link(log);
    return InstallBelow(folder, log, option, flagOut, promptHandler, link);
}
