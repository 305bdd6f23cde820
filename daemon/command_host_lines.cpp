// A command host's answer lines, passed on to the requester with the asset they are about.
#include "results/results_log.h"
#include "daemon/command_host_manager.h"
#include "daemon/request_context.h"
#include "soup/korvel_property.h"
#include "kuid/kuid.h"

void KADAddLinesAboutAsset(const ResultsLog& lines, const KUID& asset, ResultsLog& named)
{
    PropertyHandle about;
    if (!asset.IsNull())
        about = PropertyHandle::Adopt(new KorvelPropertyAssetID(AssetIDPropertyName(), asset));
    for (const ResultsLogEntry& line : lines.Lines()) {
        const PropertyHandle& property = line.property ? line.property : about;
        named.AddMessage(static_cast<ResultsLog::MessageKind>(line.kind), property, line.text);
    }
}

void KADSendLinesAboutAsset(KADRequestContext& context, const ResultsLog& lines, const KUID& asset)
{
    // The host validates a folder and knows no id: the requester's printer
    // shows the asset only through each line's AssetID property.
    if (asset.IsNull()) {
        context.SendResultLines(lines);
        return;
    }
    ResultsLog named;
    KADAddLinesAboutAsset(lines, asset, named);
    context.SendResultLines(named);
}
