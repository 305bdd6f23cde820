// CommandHostCallback: answering one question of the daemon.
#include "assetdb/kad_command_host.h"

#include <mutex>
#include <string>
#include <vector>

#include "foundation/base/global_data_lock.h"
#include "foundation/base/logging.h"
#include "results/results_log.h"
#include "foundation/streams/t_buffer.h"
#include "assetdb/install_archive_asset.h"
#include "assetdb/kad_client.h"
#include "assetdb/kad_command_host_question.h"
#include "assetdb/kad_command_host_services.h"
#include "assetdb/pemberlynx_spec_registry.h"
#include "assetdb/resource_database.h"

namespace {

std::mutex servicesLock;
KADCommandHostServices services;

// Logs the question's diagnostic line and runs the work with its service;
// a host without that service answers with an error line and result 0.
template <class Service, class Work>
int32_t RunWithService(const char* diagnostic, const Service& service, const char* what, ResultsLog& log, Work work)
{
    LogMessage("CommandHostCallback> %s", diagnostic);
    if (service)
        return work(service);
    std::string text = std::string(what) + " is not available in this command host.";
    log.AddMessage(ResultsLog::MessageKind::Error, text.c_str());
    return 0;
}

int32_t Validate(const KADCommandHostQuestion& question, ResultsLog& log)
{
    // The work runs even when the database cannot be opened; the work's own
    // lines then say what is missing.
    ResourceDatabaseRef database(question.assetName.c_str());
    return RunWithService(
        "KAD_CMDHOST_VALIDATE", CommandHostServices().validateFolder, "Validation", log,
        [&](const auto& validate) { return validate(question.assetName, question.folder, log) ? 1 : 0; });
}

int32_t ConvertTextures(const KADCommandHostQuestion& question, ResultsLog& log)
{
    ResourceDatabaseRef database(question.assetName.c_str());
    return RunWithService("KAD_CMDHOST_TEXTURECONVERT", CommandHostServices().convertTextures, "Texture conversion",
                          log, [&](const auto& convert) { return convert(question.assetName, question.folder, log); });
}

int32_t SaveArchiveToDisk(const KADCommandHostQuestion& question, ResultsLog& log)
{
    return RunWithService("KAD_CMDHOST_ARCHIVE_SAVETODISK", CommandHostServices().exportAsset, "Asset export", log,
                          [&](const TransferArchiveExporter& exporter) {
                              return WriteTransferArchive(question.filePath.c_str(), question.archiveTag,
                                                          question.assets, log, exporter)
                                         ? 1
                                         : 0;
                          });
}

// Leaves in notInstalled the requested ids that were not installed.
void InstallArchive(const KADCommandHostQuestion& question, ResultsLog& log, std::vector<KUID>& notInstalled)
{
    notInstalled = question.assets;
    RunWithService("KAD_CMDHOST_ARCHIVE_INSTALL", CommandHostServices().installEntry, "Archive installation", log,
                   [&](const TransferArchiveInstaller& installer) {
                       return InstallTransferArchive(question.archiveTag, notInstalled, question.filePath.c_str(), log,
                                                     installer)
                                  ? 1
                                  : 0;
                   });
}

SoupHandle ExportThroughDaemon(const KUID& id, ResultsLog& log)
{
    return KADClient::ExportAssetChunk(id, 0, &log);
}

KUID InstallWithoutPrompts(SoupHandle& entry, ResultsLog& log, int32_t mode)
{
    bool committed = false;
    return InstallArchiveAsset(entry, log, mode, &committed, nullptr);
}

// Every question leaves the process as it found it: specs it loaded are
// released and caches trimmed, so a long-lived host does not grow.
void ReleaseCommandState()
{
    if (PemberlynxSpecRegistry* registry = PemberlynxSpecRegistry::Instance())
        registry->ReportLeaks();
    ReleaseUnusedCaches();
}

}  // namespace

KADCommandHostServices DefaultCommandHostServices()
{
    KADCommandHostServices defaults;
    defaults.exportAsset = ExportThroughDaemon;
    defaults.installEntry = InstallWithoutPrompts;
    return defaults;
}

KADCommandHostServices CommandHostServices()
{
    std::lock_guard<std::mutex> hold(servicesLock);
    return services;
}

void SetCommandHostServices(KADCommandHostServices replacement)
{
    std::lock_guard<std::mutex> hold(servicesLock);
    services = std::move(replacement);
}

void CommandHostCallback(TBuffer& question, TBuffer& answer)
{
    KADCommandHostQuestion read;
    if (!ReadCommandHostQuestion(question, read)) {
        LogMessage("CommandHostCallback> unreadable question");
        return;
    }
    if (!read.IsSupported()) {
        LogMessage("CommandHostCallback> unsupported commandID=%d", read.commandId);
        ReleaseCommandState();
        return;
    }
    ResultsLog log;
    int32_t result = 0;
    std::vector<KUID> notInstalled;
    switch (static_cast<KADCommandHostCommand>(read.commandId)) {
    case KADCommandHostCommand::Validate:
        result = Validate(read, log);
        break;
    case KADCommandHostCommand::TextureConvert:
        result = ConvertTextures(read, log);
        break;
    case KADCommandHostCommand::ArchiveSaveToDisk:
        result = SaveArchiveToDisk(read, log);
        break;
    case KADCommandHostCommand::ArchiveInstall:
        InstallArchive(read, log, notInstalled);
        break;
    }
    WriteCommandHostAnswer(answer, read.commandId, log, result, notInstalled);
    LogMessage("CommandHostCallback> complete");
    ReleaseCommandState();
}
