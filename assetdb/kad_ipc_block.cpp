// KADIpcBlock: joining the ownership block to read the daemon's port.
#include "assetdb/kad_ipc_block.h"

#include "foundation/base/logging.h"
#include "assetdb/protocol/kad_ipc_block_view.h"
#include "assetdb/protocol/kad_ipc_names.h"
#include "platform/ipc.h"
#include "platform/process.h"
#include "zel/file.h"

#include <mutex>

struct KADIpcBlock::Objects {
    // flock belongs to the open file description and is not re-entrant, so a
    // recursive in-process lock stands in front of it.
    std::recursive_mutex localLock;
    int lockDepth = 0;
    Platform::NamedLock namedLock;
    Platform::SharedBlock block;
    bool open = false;

    KADIpcBlockView View() { return KADIpcBlockView(block.Data()); }
};

namespace {

bool IsDeadProcess(int32_t pid)
{
    return pid == KADIpcBlockView::NoProcess || !Platform::IsProcessAlive(pid);
}

bool FolderExists(const std::string& folder)
{
    // The path arrives lower-cased; the file layer matches it against the
    // real letter case of the disk.
    return Zel::File::Exists(folder.c_str()) == 0;
}

}  // namespace

KADIpcBlock::KADIpcBlock() : objects(new Objects), processId(Platform::CurrentProcessId()) {}

KADIpcBlock::~KADIpcBlock()
{
    Close();
}

bool KADIpcBlock::IsOpen() const
{
    return objects->open;
}

void KADIpcBlock::Lock()
{
    if (!objects->open)
        return;
    objects->localLock.lock();
    if (objects->lockDepth++ == 0)
        objects->namedLock.Lock(-1);
}

void KADIpcBlock::Unlock()
{
    if (!objects->open || objects->lockDepth == 0)
        return;
    if (--objects->lockDepth == 0)
        objects->namedLock.Unlock();
    objects->localLock.unlock();
}

bool KADIpcBlock::Open(const std::string& databasePath)
{
    if (objects->open)
        return true;
    KADIpcNameSet names;
    if (!KADIpcNames(databasePath, names))
        return false;
    if (!FolderExists(names.databaseFolder))
        return false;
    processId = Platform::CurrentProcessId();
    if (!objects->namedLock.Open(names.mutexName))
        return false;
    // Set-up happens under the lock so that two processes opening at once
    // never both initialise the block.
    objects->namedLock.Lock(-1);
    bool created = false;
    if (!objects->block.Open(names.mutexName + "-ipc2", KADIpcBlockView::Size, true, &created)) {
        objects->namedLock.Unlock();
        objects->namedLock.Close();
        return false;
    }
    objects->open = true;
    KADIpcBlockView view = objects->View();
    if (created) {
        InitBlock();
    } else {
        if (view.Closing() != 0) {
            objects->namedLock.Unlock();
            Close();
            return false;
        }
        if (view.Version() == 0 && view.Keeper() == 0)
            InitBlock();
        if (view.Version() < 1)
            view.SetAttachCount(255);
        else
            view.SetAttachCount(static_cast<uint8_t>(view.AttachCount() + 1));
    }
    objects->namedLock.Unlock();
    Idle();
    Idle();
    return true;
}

void KADIpcBlock::InitBlock()
{
    if (!objects->open)
        return;
    objects->View().Initialise(processId);
    keeper = true;
}

void KADIpcBlock::ClaimKeeper()
{
    if (!objects->open)
        return;
    Lock();
    KADIpcBlockView view = objects->View();
    int32_t current = view.Keeper();
    if (current == KADIpcBlockView::NoProcess || (current != processId && IsDeadProcess(current))) {
        view.SetKeeper(processId);
        keeper = true;
    }
    Unlock();
}

void KADIpcBlock::Idle()
{
    if (!objects->open)
        return;
    KADIpcBlockView view = objects->View();
    if (!keeper) {
        if (IsDeadProcess(view.Keeper()))
            ClaimKeeper();
        return;
    }
    int32_t owner = view.Owner();
    if (owner != KADIpcBlockView::NoProcess && owner != processId && IsDeadProcess(owner)) {
        Lock();
        if (view.Owner() == owner) {
            LogMessage("IPCIdle> clearing dead database owner (owner processID was %d)\n", owner);
            view.SetOwner(KADIpcBlockView::NoProcess);
        }
        Unlock();
    }
    int32_t requester = view.Requester();
    if (requester != KADIpcBlockView::NoProcess && requester != processId && IsDeadProcess(requester)) {
        Lock();
        if (view.Requester() == requester) {
            LogMessage("IPCIdle> clearing dead database requester (requester processID was %d)\n", requester);
            view.SetRequester(KADIpcBlockView::NoProcess);
        }
        Unlock();
    }
    if (view.Requester() == processId && view.Owner() == processId) {
        Lock();
        view.SetRequester(KADIpcBlockView::NoProcess);
        Unlock();
    }
}

void KADIpcBlock::Close()
{
    if (!objects->open)
        return;
    KADIpcBlockView view = objects->View();
    if (view.Owner() == processId)
        view.SetOwner(KADIpcBlockView::NoProcess);
    if (keeper) {
        Lock();
        view.SetKeeper(KADIpcBlockView::NoProcess);
        if (view.Version() >= 1)
            view.SetAttachCount(static_cast<uint8_t>(view.AttachCount() - 1));
        Unlock();
    }
    while (objects->lockDepth > 0)
        Unlock();
    objects->block.Close();
    objects->namedLock.Close();
    objects->open = false;
    keeper = false;
}

bool KADIpcBlock::IsOwner() const
{
    if (!objects->open)
        return false;
    return objects->View().Owner() == processId;
}

void KADIpcBlock::ReleaseOwnership()
{
    if (IsOwner())
        objects->View().SetOwner(KADIpcBlockView::NoProcess);
}

int32_t KADIpcBlock::GetPort() const
{
    if (!objects->open || IsOwner())
        return 0;
    return objects->View().Port();
}

int32_t KADIpcBlock::GetOwner() const
{
    if (!objects->open)
        return KADIpcBlockView::NoProcess;
    return objects->View().Owner();
}

namespace {

KADIpcBlock& ProcessBlock()
{
    static KADIpcBlock block;
    return block;
}

}  // namespace

bool IPCOpen(const std::string& databasePath)
{
    return ProcessBlock().Open(databasePath);
}

void IPCClose()
{
    ProcessBlock().Close();
}

void IPCIdle()
{
    ProcessBlock().Idle();
}

void IPCInitBlock()
{
    ProcessBlock().InitBlock();
}

void IPCLock()
{
    ProcessBlock().Lock();
}

void IPCUnlock()
{
    ProcessBlock().Unlock();
}

void IPCClaimKeeper()
{
    ProcessBlock().ClaimKeeper();
}

bool IPCIsOwner()
{
    return ProcessBlock().IsOwner();
}

void IPCReleaseOwnership()
{
    ProcessBlock().ReleaseOwnership();
}

int32_t IPCGetPort()
{
    return ProcessBlock().GetPort();
}

int32_t IPCGetOwner()
{
    return ProcessBlock().GetOwner();
}
