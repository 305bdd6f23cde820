// Installing an asset and its missing dependencies from the online content service, through the daemon's web queries.
#include "assetdb/install_from_chb.h"

#include <atomic>
#include <string>

#include "foundation/base/job_dispatcher.h"
#include "results/results_log.h"
#include "assetdb/kad_client.h"
#include "assetdb/kad_web_query.h"
#include "soup/soup_handle.h"
#include "zel/path.h"

namespace {

std::atomic<bool> installPossible{true};

// Waits for the daemon to finish the fetch, keeping main-thread jobs (the
// daemon's notifications among them) running. The daemon completes every
// query within its time-outs; a status request that cannot reach the daemon
// at all ends the wait too, since such a query would never complete.
void WaitForQuery(KADWebQuery& query)
{
    while (!query.IsComplete()) {
        if (query.LastStatusFailed())
            return;
        JobDispatcher::Instance().WaitForMainThreadJobs(50);
        JobDispatcher::Instance().RunPending(0);
    }
}

void AddError(ResultsLog* log, const char* text, const KUID* id = nullptr)
{
    if (log == nullptr)
        return;
    if (id == nullptr) {
        log->AddMessage(ResultsLog::MessageKind::Error, text);
        return;
    }
    SoupHandle parameters;
    parameters.EnsureContainer();
    parameters.SetNamedTag(Zel::PString("assetid"), id->ToTagString());
    log->AddMessage(ResultsLog::MessageKind::Error, PropertyHandle(), Zel::String(text), &parameters);
}

bool ContainsLatest(const CHBSearchResultList& list, const KUID& latest)
{
    for (const CHBSearchResult& record : list) {
        if (record.latestVersion == latest)
            return true;
    }
    return false;
}

// Downloads one record's archive and installs it; true when the daemon
// installed something.
bool DownloadAndInstall(const CHBSearchResult& record, ResultsLog* log)
{
    KADWebQuery* query = KADWebQuery::Start(record.downloadUrl, KADWebQueryModeDownload);
    WaitForQuery(*query);
    Zel::File::Path file;
    Zel::PString text;
    bool installed = false;
    if (!query->GetResultFile(file, text)) {
        AddError(log, "Failed to resolve download path for $(assetid)", &record.latestVersion);
    } else if (!text.IsEmpty()) {
        AddError(log, "Internal error: GetFilePath returned archive");
    } else {
        ResultsLog temporary;
        bool skipped = false;
        installed = KADClient::InstallArchive(file, nullptr, 6, &skipped, log != nullptr ? log : &temporary) != 0;
    }
    KADWebQuery::Delete(query);
    return installed;
}

}  // namespace

bool IsCHBInstallPossible()
{
    return installPossible.load();
}

void SetCHBInstallPossible(bool possible)
{
    installPossible = possible;
}

URL MakeCHBSearchUrl(const KUID& id)
{
    std::string text = std::string(CHBSearchPage) + "?Banners=1&SearchCriteria=" + id.ToColonString().c_str() +
                       "&textsearchID=1&DependencyLevel=5";
    URL url;
    url.Parse(text.c_str());
    return url;
}

void ParseCHBSearchResults(const SoupHandle& answer, CHBSearchResultList& list)
{
    if (answer.HasNamedTag(Zel::PString("none")))
        return;
    for (int32_t n = 0;; ++n) {
        Zel::PString name(std::to_string(n).c_str());
        if (!answer.HasNamedTag(name))
            return;
        SoupHandle entry = answer.GetNamedSoup(name);
        if (!entry.Root())
            return;
        CHBSearchResult record;
        record.requestedAsset = entry.GetNamedTagAsKUID(Zel::PString("requires"), KUID());
        record.latestVersion = entry.GetNamedTagAsKUID(Zel::PString("latest-version"), KUID());
        record.downloadUrl.Parse(entry.GetNamedTag(Zel::PString("latest-version-path")).c_str());
        record.downloadSize = entry.GetNamedTagAsInt(Zel::PString("latest-version-size"), 0);
        record.bannerUrl.Parse(entry.GetNamedTag(Zel::PString("banner-uri")).c_str());
        record.result = entry.GetNamedTag(Zel::PString("result"));
        record.assetName = entry.GetNamedTag(Zel::PString("asset-name"));
        KADClient::SetLatestVersion(record.requestedAsset, record.latestVersion);
        if (!KADClient::HasStatusM(record.latestVersion, true))
            continue;
        if (!ContainsLatest(list, record.latestVersion))
            list.PushBack(record);
        KADClient::SetAssetDownloadSize(record.latestVersion, record.downloadSize);
    }
}

bool InstallAssetFromCHB(const KUID& requested, ResultsLog* log)
{
    if (!IsCHBInstallPossible())
        return false;
    KUID id = KADClient::GetUpdatedAssetID(requested);
    if (KADClient::HasStatusI(id))
        return false;

    KADWebQuery* search = KADWebQuery::Start(MakeCHBSearchUrl(id), KADWebQueryModePage);
    WaitForQuery(*search);
    Zel::File::Path file;
    Zel::PString text;
    if (!search->GetResultFile(file, text)) {
        AddError(log, "Failed to query CHB for $(assetid)", &id);
        KADWebQuery::Delete(search);
        return false;
    }
    SoupHandle answer;
    answer.LoadFromFile(Zel::PString(), file.c_str(), "txt");
    CHBSearchResultList records;
    ParseCHBSearchResults(answer, records);
    KADWebQuery::Delete(search);

    bool outcome = false;
    for (const CHBSearchResult& record : records) {
        if (!record.downloadUrl.IsValid() || KADClient::HasStatusI(record.latestVersion))
            continue;
        if (DownloadAndInstall(record, log))
            outcome = true;
    }
    return outcome;
}
