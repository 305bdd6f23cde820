// Writing a transfer archive from the daemon's exported asset chunks.
#include "assetdb/transfer_archive.h"

#include <limits>
#include <string>

#include "results/results_log.h"
#include "foundation/streams/t_file.h"
#include "soup/binary_soup.h"

namespace {

// Offsets in the file are uint32 words; a larger archive cannot be described.
bool FitsOffsetWord(int64_t position)
{
    return position >= 0 && position <= int64_t(std::numeric_limits<uint32_t>::max());
}

}  // namespace

bool WriteTransferArchiveAssets(const std::vector<KUID>& ids, TStream& file, ResultsLog& log,
                                const TransferArchiveExporter& exporter)
{
    static const Zel::PString kuidTag("kuid");
    bool everyAsset = true;
    for (const KUID& id : ids) {
        SoupHandle chunk = exporter(id, log);
        if (chunk.GetNamedTagAsKUID(kuidTag, KUID()).IsNull()) {
            everyAsset = false;
            continue;
        }
        file.WriteKUID(id);
        int64_t endWord = file.BeginBlock();
        WriteBinarySoup(file, chunk);
        int64_t end = file.Tell();
        if (!FitsOffsetWord(end)) {
            file.SetError(TStream::ErrorOutOfMemory);
            return false;
        }
        file.WriteUInt32At(endWord, static_cast<uint32_t>(end));
    }
    file.WriteKUID(KUID());
    return everyAsset;
}

bool WriteTransferArchive(const char* path, uint32_t archiveTag, const std::vector<KUID>& ids, ResultsLog& log,
                          const TransferArchiveExporter& exporter)
{
    TFile file;
    if (!file.Open(path, 257)) {
        std::string text = std::string("Unable to create the transfer archive '") + (path ? path : "") + "'.";
        log.AddMessage(ResultsLog::MessageKind::Error, text.c_str());
        return false;
    }
    file.WriteUInt32(TransferArchiveMagic);
    file.WriteUInt32(TransferArchiveVersion);
    file.WriteFloat(TransferArchiveBuild);
    int64_t lengthWord = file.BeginBlock();
    file.WriteUInt32(archiveTag);
    bool everyAsset = WriteTransferArchiveAssets(ids, file, log, exporter);
    int64_t end = file.Tell();
    if (FitsOffsetWord(end))
        file.WriteUInt32At(lengthWord, static_cast<uint32_t>(end));
    bool written = !file.HasError() && FitsOffsetWord(end);
    file.Close();
    // A file that could not be written whole is no archive: report it, even
    // when every export succeeded.
    if (!written)
        log.AddMessage(ResultsLog::MessageKind::Error, "The transfer archive could not be written.");
    return everyAsset && written;
}
