// InstallFromPathRecursive: install an asset folder, or every asset folder below a folder.
#include "assetdb/kad_command_bodies.h"

#include <sys/stat.h>

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "assetdb/kad_client.h"
#include "assetdb/kad_failure_report.h"
#include "foundation/streams/t_buffer.h"
#include "results/results_log.h"
#include "zel/dynamic_buffer.h"
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

// The asset folders below a folder, in the order the walk meets them.
void CollectAssetFolders(const Zel::File::Path& folder, std::vector<Zel::File::Path>& found)
{
    if (folder.IsEmpty())
        return;
    if (HoldsFile(folder, "config.txt") || HoldsFile(folder, "config.chump")) {
        found.push_back(DaemonFolderPath(folder));
        return;
    }
    Zel::File::Path pattern = folder;
    pattern.AddPath("*");
    Zel::File::Find find;
    if (!find.Open(pattern.c_str()))
        return;
    while (find.Next()) {
        if (find.Name() == "." || find.Name() == "..")
            continue;
        Zel::File::Path entry = folder;
        entry.AddPath(find.Name().c_str());
        if (find.IsDirectory() && !IsSymbolicLink(entry))
            CollectAssetFolders(entry, found);
    }
}

// Requests in flight at once: the daemon installs the requests that arrive
// together as one batch (one flush of the disk for all of them), and their
// lines still reach the log in the walk's order.
constexpr size_t InstallWindow = 32;
// How far the requests may run ahead of the lines already in the log.
constexpr size_t RunAhead = 4 * InstallWindow;

struct FolderInstall {
    std::unique_ptr<ResultsLog> log;
    KUID installed = NullKUID;
    bool replaced = false;
    bool done = false;
};

class WindowedInstall {
public:
    WindowedInstall(const std::vector<Zel::File::Path>& folders, int32_t option, KADPromptHandler* promptHandler,
                    const KADFailureReport& link)
        : folders(folders), results(folders.size()), option(option), promptHandler(promptHandler), link(link)
    {}

    // Installs the folders, handing each result to `take` in order; stops
    // sending once the prompt handler asks or a request was lost with the
    // daemon (every later folder would fail the same way).
    template <class Take>
    void Run(Take take)
    {
        size_t workers = promptHandler != nullptr ? 1 : std::min(InstallWindow, folders.size());
        std::vector<std::thread> threads;
        for (size_t i = 0; i < workers; ++i)
            threads.emplace_back([this] { Work(); });
        for (size_t index = 0; index < folders.size(); ++index) {
            std::unique_lock<std::mutex> hold(lock);
            changed.wait(hold, [&] { return results[index].done || (stopped && index >= next); });
            if (!results[index].done)
                break;
            FolderInstall result = std::move(results[index]);
            merged = index + 1;
            changed.notify_all();
            hold.unlock();
            take(result);
        }
        {
            std::lock_guard<std::mutex> hold(lock);
            stopped = true;
            changed.notify_all();
        }
        for (std::thread& thread : threads)
            thread.join();
    }

private:
    void Work()
    {
        for (;;) {
            size_t index;
            {
                std::unique_lock<std::mutex> hold(lock);
                changed.wait(hold, [&] { return stopped || next >= folders.size() || next < merged + RunAhead; });
                if (stopped || next >= folders.size())
                    return;
                index = next++;
            }
            FolderInstall result;
            result.log = std::make_unique<ResultsLog>();
            result.installed =
                KADClient::InstallFolder(folders[index], option, result.log.get(), &result.replaced, promptHandler);
            std::lock_guard<std::mutex> hold(lock);
            result.done = true;
            results[index] = std::move(result);
            if (StopRequested(promptHandler) || link.RequestLost())
                stopped = true;
            changed.notify_all();
        }
    }

    const std::vector<Zel::File::Path>& folders;
    std::vector<FolderInstall> results;
    int32_t option;
    KADPromptHandler* promptHandler;
    const KADFailureReport& link;
    std::mutex lock;
    std::condition_variable changed;
    size_t next = 0;
    size_t merged = 0;
    bool stopped = false;
};

void AppendLines(ResultsLog& log, ResultsLog& lines)
{
    if (lines.LineCount() == 0)
        return;
    TBuffer wire(new Zel::DynamicBuffer(0, 512), true);
    lines.WriteTo(wire, 0);
    wire.Rewind();
    log.ReadFrom(wire);
}

}  // namespace

int32_t InstallFromPathRecursive(const Zel::File::Path& folder, ResultsLog& log, int32_t option, bool* flagOut,
                                 KADPromptHandler* promptHandler)
{
    KADFailureReport link(log);
    std::vector<Zel::File::Path> folders;
    CollectAssetFolders(folder, folders);
    int32_t count = 0;
    WindowedInstall install(folders, option, promptHandler, link);
    install.Run([&](FolderInstall& result) {
        AppendLines(log, *result.log);
        // Only what the daemon really installed counts: a refused folder
        // must not make the command report success.
        if (!result.installed.IsNull())
            ++count;
        if (flagOut != nullptr && (!result.installed.IsNull() || !link.RequestLost()))
            *flagOut = result.replaced;
    });
    return count;
}
