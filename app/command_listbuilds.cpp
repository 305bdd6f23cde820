// listbuilds: writes the daemon's list of installed builds to a file.
#include "app/commands.h"
#include "results/results_log.h"
#include "assetdb/kad_client.h"
#include "zel/file.h"

int CommandListBuilds(ResultsLog& log, const Zel::PString& outputPath)
{
    Zel::File file;
    if (file.Open(outputPath.c_str(), Zel::File::ModeWrite) != 0) {
        log.AddMessage(ResultsLog::MessageKind::Error, "Failed to open output file.");
        return -1;
    }
    // The daemon joins the build numbers with line feeds; the text is one line.
    file.WriteLine(KADClient::ListBuilds().c_str());
    file.Close();
    return 0;
}
