// RunStatusCommand: one status line per asset, flags from the info record and two status questions.
#include "assetdb/kad_command_bodies.h"

#include <cstdio>

#include "results/results_log.h"
#include "assetdb/kad_asset_info.h"
#include "assetdb/kad_client.h"
#include "assetdb/kad_failure_report.h"

namespace {

char Letter(char upper, bool set)
{
    return set ? upper : char(upper + ('a' - 'A'));
}

}  // namespace

std::string FormatStatusFlags(const KADAssetInfo& info, bool missingDependencies, bool faulty)
{
    std::string letters;
    letters += Letter('E', (info.statusByte1 & KADAssetInfo::StatusOpenForEdit) != 0);
    letters += Letter('I', (info.statusByte0 & KADAssetInfo::StatusInstalled) != 0);
    letters += Letter('A', (info.statusByte0 & KADAssetInfo::StatusArchived) != 0);
    letters += Letter('D', (info.statusByte0 & KADAssetInfo::StatusOnContentService) != 0);
    letters += Letter('L', (info.statusByte0 & KADAssetInfo::StatusLocallyModified) != 0);
    letters += Letter('M', missingDependencies);
    letters += Letter('F', faulty);
    return letters;
}

std::string FormatStatusLine(const KUID& id, const KADAssetInfo& info, bool missingDependencies, bool faulty)
{
    std::string line = "+ ";
    line += id.ToTagString().c_str();
    line += " : ";
    line += FormatStatusFlags(info, missingDependencies, faulty);
    line += " : ";
    line += info.categoryText.c_str();
    line += " : ";
    line += info.name.c_str();
    line += '\n';
    return line;
}

bool RunStatusCommand(const KUID& id, ResultsLog& log)
{
    KADFailureReport failure(log);
    KADAssetInfo info;
    if (!KADClient::GetAssetInfo(id, -1, info)) {
        // A daemon that stopped answering knows nothing of the asset either
        // way; the command says that instead.
        failure.Explain(id, "Unknown AssetID.");
        return false;
    }
    bool missingDependencies = KADClient::HasStatusM(id, false);
    bool faulty = KADClient::HasStatusF(id);
    std::string line = FormatStatusLine(id, info, missingDependencies, faulty);
    std::fputs(line.c_str(), stdout);
    return true;
}
