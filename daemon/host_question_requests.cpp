// Saving and installing a transfer archive through a command host (questions 2 and 3), a private request of test builds.
#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "results/results_log.h"
#include "assetdb/kad_command_host_question.h"
#include "daemon/asset_commit.h"
#include "daemon/asset_store.h"
#include "daemon/command_host_manager.h"
#include "daemon/request_context.h"
#include "daemon/request_table.h"

namespace {

// A tag no earlier archive is likely to carry, so a stale file of an earlier
// save is never taken for this one; never 0, which asks for a new tag.
std::uint32_t NewArchiveTag()
{
    std::random_device source;
    std::uint32_t tag = 0;
    while (tag == 0)
        tag = static_cast<std::uint32_t>(source());
    return tag;
}

void SendError(KADRequestContext& context, const std::string& text)
{
    ResultsLog lines;
    lines.AddMessage(ResultsLog::MessageKind::Error, text.c_str());
    context.SendResultLines(lines);
}

void WriteReply(KADRequestContext& context, bool answered, std::uint32_t tag, std::uint32_t result,
                const std::vector<KUID>& notInstalled)
{
    context.reply.WriteBool(answered);
    context.reply.WriteUInt32(tag);
    context.reply.WriteUInt32(result);
    WriteKUIDList(context.reply, notInstalled);
}

// The host installs an asset that was already installed into its edit copy
// without committing it; the install is complete only once that copy is
// the committed revision. An asset that cannot be committed counts as not
// installed.
void CommitWhatTheHostLeftOpen(KADRequestContext& context, const std::vector<KUID>& asked,
                               std::vector<KUID>& notInstalled)
{
    KADAssetStore& store = KADAssetStore::Get(context);
    for (const KUID& id : asked) {
        if (std::find(notInstalled.begin(), notInstalled.end(), id) != notInstalled.end())
            continue;
        KADAssetRecord record;
        if (!store.Find(id, record) || !record.Has(AssetOpenForEdit))
            continue;
        bool replaced = false;
        if (!KADCommitEditCopy(context, id, 0, replaced))
            notInstalled.push_back(id);
    }
}

}  // namespace

void KADHandleTestHostQuestion(KADRequestContext& context)
{
    TBuffer& request = context.request;
    KADCommandHostQuestion question;
    question.commandId = request.ReadInt32(-1);
    question.archiveTag = request.ReadUInt32(0);
    question.filePath = request.ReadPString();
    bool readable = !request.HasError() && ReadKUIDList(request, question.assets);
    const bool save = question.commandId == static_cast<std::int32_t>(KADCommandHostCommand::ArchiveSaveToDisk);
    const bool install = question.commandId == static_cast<std::int32_t>(KADCommandHostCommand::ArchiveInstall);
    const std::string path = question.filePath.c_str();
    // The host writes and reads the file with the daemon's user rights: a
    // relative path would depend on the host's working folder.
    if (!readable || (!save && !install) || path.empty() || path.front() != '/') {
        SendError(context, "Unable to ask a command host: the question is not an archive save or install of an "
                           "absolute path.");
        WriteReply(context, false, 0, 0, question.assets);
        return;
    }
    if (save && question.archiveTag == 0)
        question.archiveTag = NewArchiveTag();
    const char* what = save ? "Unable to save the archive: " : "Unable to install the archive: ";

    TBuffer answer;
    std::string error;
    if (!KADCommandHostManager::Instance().Ask(question, answer, error)) {
        SendError(context, what + error);
        WriteReply(context, false, question.archiveTag, 0, question.assets);
        return;
    }
    ResultsLog lines;
    std::int32_t result = 0;
    std::vector<KUID> notInstalled;
    bool answered = ReadCommandHostAnswer(answer, question.commandId, lines, result, notInstalled);
    context.SendResultLines(lines);
    if (!answered) {
        SendError(context, std::string(what) + "the command host gave no answer.");
        WriteReply(context, false, question.archiveTag, 0, question.assets);
        return;
    }
    if (install) {
        CommitWhatTheHostLeftOpen(context, question.assets, notInstalled);
        result = static_cast<std::int32_t>(
            std::count_if(question.assets.begin(), question.assets.end(), [&](const KUID& id) {
                return std::find(notInstalled.begin(), notInstalled.end(), id) == notInstalled.end();
            }));
    }
    WriteReply(context, true, question.archiveTag, static_cast<std::uint32_t>(result), notInstalled);
}
