// Names of the ownership block and its lock, derived from the database path.
#include "assetdb/protocol/kad_ipc_names.h"

#include "assetdb/protocol/kad_protocol.h"
#include "platform/ipc.h"
#include "zel/ascii.h"

namespace {

// Letter case is folded in ASCII only, as the engine's string layer does, so
// that every process builds byte-identical names.
}  // namespace

bool KADIpcNames(std::string_view databasePath, KADIpcNameSet& names)
{
    // The folder is the path less the separator and "assets.tdx".
    constexpr std::size_t SuffixLength = 11;
    std::string lowered;
    lowered.reserve(databasePath.size());
    for (char c : databasePath)
        lowered.push_back(c == '\\' ? '/' : Zel::AsciiToLower(c));
    std::string_view suffix = KADProtocol::DatabaseFolderName;
    if (lowered.size() < SuffixLength || lowered.compare(lowered.size() - suffix.size(), suffix.size(), suffix) != 0)
        return false;

    names.databaseFolder = lowered.substr(0, lowered.size() - SuffixLength);
    // Joined as a path: one separator between the fixed text and the folder,
    // whether or not the folder is absolute.
    std::string_view folder = names.databaseFolder;
    while (!folder.empty() && folder.front() == '/')
        folder.remove_prefix(1);
    names.mutexName = std::string(KADProtocol::MutexNamePrefix) + "/" + std::string(folder);
    names.blockWindowsName = names.mutexName + "-ipc2";
    names.blockName = "/" + Platform::IpcName(names.blockWindowsName);
    names.lockPath = Platform::IpcLockPath(names.mutexName);
    return true;
}
