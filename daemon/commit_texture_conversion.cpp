// Commit's texture conversion through a command host (question 1), and the search for texture sources.
#include "daemon/commit_texture_conversion.h"

#include "results/results_log.h"
#include "assetdb/kad_command_host_question.h"
#include "daemon/asset_folders.h"
#include "daemon/asset_store_replies.h"
#include "daemon/command_host_manager.h"
#include "foundation/base/file_utilities.h"

namespace {

// The store edit copies live in, opened by the host as a resource database.
constexpr char EditStore[] = "editing";
// The host's result when every texture source was converted.
constexpr std::int32_t AllConverted = 2;
constexpr int LineError = 3;

}  // namespace

bool KADHasTextureSources(const std::string& folder)
{
    for (const KADFolderEntry& entry : KADTypedFolderEntries(folder)) {
        if (entry.type == KADFolderEntry::Type::File && IsTextureSourceName(entry.name.c_str()))
            return true;
        if (entry.type == KADFolderEntry::Type::Folder && KADHasTextureSources(folder + "/" + entry.name))
            return true;
    }
    return false;
}

bool KADConvertEditTextures(KADRequestContext& context, const KUID& id, const std::string& userDataRoot,
                            const std::string& editFolder)
{
    const std::string storeRoot = userDataRoot + "/" + EditStore + "/";
    if (editFolder.compare(0, storeRoot.size(), storeRoot) != 0) {
        KADSendAssetLine(context, LineError, id, "Unable to commit asset: its edit folder is outside the edit store.");
        return false;
    }
    KADCommandHostQuestion question;
    question.commandId = static_cast<std::int32_t>(KADCommandHostCommand::TextureConvert);
    question.assetName = Zel::PString(EditStore);
    question.folder = Zel::String(editFolder.substr(storeRoot.size()).c_str());
    TBuffer answer;
    std::string error;
    ResultsLog lines;
    std::int32_t result = 0;
    std::vector<KUID> unused;
    if (!KADCommandHostManager::Instance().Ask(question, answer, error)) {
        KADSendAssetLine(context, LineError, id, "Unable to commit asset: " + error);
        return false;
    }
    if (!ReadCommandHostAnswer(answer, question.commandId, lines, result, unused)) {
        KADSendLinesAboutAsset(context, lines, id);
        KADSendAssetLine(context, LineError, id,
                         "Unable to commit asset: the command host gave no answer to the texture conversion.");
        return false;
    }
    KADSendLinesAboutAsset(context, lines, id);
    if (result != AllConverted) {
        KADSendAssetLine(context, LineError, id, "Unable to commit asset: its textures could not be converted.");
        return false;
    }
    return true;
}
