// Installing the requested assets of a transfer archive.
#include <algorithm>
#include <cmath>

#include "interfacetext/interface_text_db.h"
#include "results/results_log.h"
#include "foundation/streams/t_file.h"
#include "foundation/streams/t_sub_file.h"
#include "assetdb/transfer_archive.h"
#include "soup/binary_soup.h"

namespace {

// Everything before the first entry, for version 1 (version 0 has no build).
struct TransferArchiveHeader {
    uint32_t magic = 0;
    uint32_t version = 0;
    bool current = false;
    uint32_t fileLength = 0;
    uint32_t archiveTag = 0;
};

void LogUnreadable(ResultsLog& log)
{
    log.AddMessage(ResultsLog::MessageKind::Error, GetInterfaceText("$kad_archive_unreadable").c_str());
}

void LogUnknownVersion(ResultsLog& log, uint32_t version)
{
    SoupHandle parameters;
    parameters.SetNamedTagInt(Zel::PString("version"), static_cast<int32_t>(version));
    log.AddMessage(ResultsLog::MessageKind::Error, PropertyHandle(), GetInterfaceText("$kad_archive_version"),
                   &parameters);
}

// An archive of this build installs in the full mode. The build is compared
// as the product does (truncating build x 100 + 0.1); a value that is no
// number at all, or out of any sane range, is simply not current.
bool IsCurrentBuild(float build)
{
    if (!std::isfinite(build) || build <= 0.0f || build >= 1.0e6f)
        return false;
    return static_cast<int32_t>(build * 100.0f + 0.1f) == 330;
}

bool IsRequested(const std::vector<KUID>& ids, const KUID& id)
{
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

void RemoveId(std::vector<KUID>& ids, const KUID& id)
{
    ids.erase(std::remove(ids.begin(), ids.end(), id), ids.end());
}

// Reads one entry's soup from inside its window and installs it when its
// "kuid" tag is the entry's id.
void InstallEntry(TFile& file, const KUID& id, int64_t start, int64_t end, std::vector<KUID>& ids, bool current,
                  ResultsLog& log, const TransferArchiveInstaller& installer)
{
    static const Zel::PString kuidTag("kuid");
    TSubFile window(file, start, end);
    SoupHandle entry;
    if (!ReadBinarySoup(entry, window))
        return;
    if (entry.GetNamedTagAsKUID(kuidTag, KUID()) != id)
        return;
    KUID installed = installer(entry, log, current ? TransferInstallModeCurrent : TransferInstallModeOlder);
    if (!installed.IsNull())
        RemoveId(ids, id);
}

}  // namespace

bool InstallTransferArchive(uint32_t archiveTag, std::vector<KUID>& ids, const char* path, ResultsLog& log,
                            const TransferArchiveInstaller& installer)
{
    TFile file;
    if (!path || !file.Open(path, 16)) {
        LogUnreadable(log);
        return false;
    }
    TransferArchiveHeader header;
    header.magic = file.ReadUInt32(0);
    header.version = file.ReadUInt32(0);
    if (!file.HasError() && header.version != 0 && header.version != 1) {
        LogUnknownVersion(log, header.version);
        return false;
    }
    if (header.version == 1)
        header.current = IsCurrentBuild(file.ReadFloat(0.0f));
    header.fileLength = file.ReadUInt32(0);
    header.archiveTag = file.ReadUInt32(0);
    if (file.HasError() || header.magic != TransferArchiveMagic || file.Size() != int64_t(header.fileLength) ||
        header.archiveTag != archiveTag) {
        LogUnreadable(log);
        return false;
    }
    for (;;) {
        KUID id = file.ReadKUID();
        if (file.HasError())
            break;
        if (id.IsNull())
            return true;
        uint32_t end = file.ReadUInt32(0);
        int64_t start = file.Tell();
        // Each entry must end inside the file and not before its own soup,
        // so the walk only moves forward and stays in what is there.
        if (file.HasError() || int64_t(end) < start || end > header.fileLength)
            break;
        if (IsRequested(ids, id))
            InstallEntry(file, id, start, end, ids, header.current, log, installer);
        file.MoveTo(end);
    }
    LogUnreadable(log);
    return false;
}
