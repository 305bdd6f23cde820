// What an archive install leaves out of an asset: found in an asset folder before export, and told as warning lines.
#include "daemon/asset_skipped_files.h"

#include "daemon/asset_folders.h"
#include "daemon/asset_store_replies.h"

namespace {

constexpr int LineWarning = 2;
// Entries a folder copy and an export pass over, whatever their name.
const char* const NotRegular = "it is neither a regular file nor a folder";

// The archive's binary form cannot hold the name: its writer leaves the
// file out of the export itself.
std::string NameLengthFault(const std::string& name)
{
    if (name.size() <= kLongestArchiveName)
        return std::string();
    return "the name is longer than the " + std::to_string(kLongestArchiveName) + " bytes an archive holds";
}

void FindBelow(const std::string& folder, const std::string& relative, std::vector<SkippedContentEntry>& out)
{
    for (const KADFolderEntry& entry : KADTypedFolderEntries(folder)) {
        const std::string below = relative.empty() ? entry.name : relative + "/" + entry.name;
        if (entry.type == KADFolderEntry::Type::Other) {
            out.push_back(SkippedContentEntry{below, NotRegular});
            continue;
        }
        if (entry.type == KADFolderEntry::Type::Folder) {
            std::string reason = NameLengthFault(entry.name);
            if (reason.empty())
                reason = ContentFolderSkipReason(entry.name.c_str());
            if (reason.empty())
                FindBelow(folder + "/" + entry.name, below, out);
            else
                out.push_back(SkippedContentEntry{below, reason});
            continue;
        }
        if (relative.empty() && (entry.name == "config.txt" || entry.name == "config.chump"))
            continue;
        std::string reason = NameLengthFault(entry.name);
        if (reason.empty())
            reason = ContentFileSkipReason(entry.name.c_str());
        if (!reason.empty())
            out.push_back(SkippedContentEntry{below, reason});
    }
}

std::string LineFor(const SkippedContentEntry& entry, KADSkipContext how)
{
    if (how == KADSkipContext::ArchiveInstall || (how == KADSkipContext::FolderInstall && entry.reason == NotRegular))
        return SkippedContentLine(entry);
    const std::string name = "\"" + PrintableContentPath(entry.path) + "\"";
    if (entry.reason == NotRegular)
        return name + " was not exported: " + entry.reason + ".";
    return name + " will be left out when the asset is installed from an archive: " + entry.reason + ".";
}

}  // namespace

std::vector<SkippedContentEntry> KADFindFilesArchivesSkip(const std::string& assetFolder)
{
    std::vector<SkippedContentEntry> found;
    FindBelow(assetFolder, std::string(), found);
    return found;
}

void KADSendSkippedLines(KADRequestContext& context, const KUID& id, const std::vector<SkippedContentEntry>& entries,
                         KADSkipContext how)
{
    for (const SkippedContentEntry& entry : entries)
        KADSendAssetLine(context, LineWarning, id, LineFor(entry, how));
}
