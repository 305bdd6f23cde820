// The daemon's side of the ownership block: one daemon per database, its port published.
#include "daemon/ownership_block.h"

#include <chrono>
#include <thread>

#include "assetdb/protocol/kad_ipc_block_view.h"
#include "daemon/proc_files.h"
#include "platform/process.h"

namespace {

// A daemon that is closing owns the block until it has released it; a new
// daemon waits this long for that before giving up.
constexpr auto ClosingWait = std::chrono::seconds(15);
constexpr auto ClosingPoll = std::chrono::milliseconds(50);

}  // namespace

KADOwnershipBlock::~KADOwnershipBlock()
{
    Release();
}

bool KADOwnershipBlock::IsLiveDaemon(std::int32_t pid) const
{
    if (pid <= 0 || pid == ownPid || !Platform::IsProcessAlive(pid))
        return false;
    // A pid left in the block by a crashed daemon may since have been given
    // to an unrelated process; only a process running this program counts.
    std::string name;
    if (!KADReadProcFile("/proc/" + std::to_string(pid) + "/comm", name, 64) || name.empty())
        return true;
    return name == "kaddaemon.exe\n";
}

KADOwnershipBlock::ClaimResult KADOwnershipBlock::Claim(const std::string& databasePath)
{
    if (!KADIpcNames(databasePath, names))
        return ClaimResult::Failed;
    ownPid = Platform::CurrentProcessId();
    if (!lock.Open(names.mutexName))
        return ClaimResult::Failed;
    if (!block.Open(names.blockWindowsName, KADIpcBlockView::Size, true))
        return ClaimResult::Failed;

    auto deadline = std::chrono::steady_clock::now() + ClosingWait;
    for (;;) {
        if (!lock.Lock(-1))
            return ClaimResult::Failed;
        KADIpcBlockView view(block.Data());
        std::int32_t current = view.Owner();
        if (IsLiveDaemon(current)) {
            bool closing = view.Closing() != 0;
            lock.Unlock();
            if (!closing || std::chrono::steady_clock::now() >= deadline)
                return ClaimResult::AnotherDaemonRuns;
            std::this_thread::sleep_for(ClosingPoll);
            continue;
        }
        // New, closing, or without a live owner: start it afresh with us as
        // keeper and owner, and no port until the listener is ready.
        view.Initialise(ownPid);
        view.SetOwner(ownPid);
        lock.Unlock();
        owner = true;
        return ClaimResult::Owner;
    }
}

void KADOwnershipBlock::PublishPort(int port)
{
    if (!owner || !lock.Lock(-1))
        return;
    KADIpcBlockView view(block.Data());
    if (view.Owner() == ownPid)
        view.SetPort(port);
    lock.Unlock();
}

void KADOwnershipBlock::BeginClosing()
{
    if (!owner || !lock.Lock(-1))
        return;
    KADIpcBlockView view(block.Data());
    if (view.Owner() == ownPid)
        view.SetClosing(1);
    lock.Unlock();
}

void KADOwnershipBlock::Release()
{
    if (!owner)
        return;
    owner = false;
    if (lock.Lock(-1)) {
        KADIpcBlockView view(block.Data());
        if (view.Owner() == ownPid) {
            view.SetPort(0);
            view.SetOwner(KADIpcBlockView::NoProcess);
            view.SetClosing(0);
        }
        if (view.Keeper() == ownPid)
            view.SetKeeper(KADIpcBlockView::NoProcess);
        lock.Unlock();
    }
    // The block itself stays: clients may have it mapped, and the next
    // daemon opens the same one.
    block.Close();
    lock.Close();
}
