// PrintResultsLog: one line per message and the closing count of errors and warnings.
#include <atomic>
#include <cstring>
#include <string>

#include "results/results_log.h"
#include "kuid/kuid.h"

namespace {

std::atomic<ResultsLogTextLookup> textLookup{nullptr};

// Only the daemon's tag families: a user's own text that merely begins with
// "$" prints as written.
bool IsDaemonTextTag(const char* text)
{
    return std::strncmp(text, "$kad_", 5) == 0 || std::strncmp(text, "$kadtask_", 9) == 0;
}

const char* PrefixOfKind(int32_t kind)
{
    switch (kind) {
    case 1:
        return "; ";
    case 2:
        return "! ";
    case 3:
        return "- ";
    case 4:
        return "+ ";
    default:
        return "";
    }
}

// The property's value text read back leniently as an id, in tag form, so no
// property prints "<NULL>". An asset-id property holding a well-formed id
// would read back as that same id, so it skips the text round trip (the
// printer's cost is mostly here).
void FormatLineAsset(const PropertyHandle& property, char* tag)
{
    auto* asset = dynamic_cast<const KorvelPropertyAssetID*>(property.Get());
    if (asset != nullptr && asset->GetAssetID().IsValid()) {
        asset->GetAssetID().FormatTagString(tag);
        return;
    }
    KUID::Parse(property.GetValueText().c_str(), false).FormatTagString(tag);
}

}  // namespace

void PrintResultsLogTo(ResultsLog& log, std::FILE* output)
{
    int32_t errors = 0;
    int32_t warnings = 0;
    std::string line;
    // One stream lock for the whole log: the lines of one log stay together
    // and each write skips its own locking.
    flockfile(output);
    log.VisitLinesForPrinting([&](const ResultsLogEntry& entry) {
        char tag[KUID::TextCapacity];
        FormatLineAsset(entry.property, tag);
        line.assign(PrefixOfKind(entry.kind));
        line.append(tag);
        line.append(" : ");
        ResultsLogTextLookup lookup = textLookup.load();
        if (lookup != nullptr && IsDaemonTextTag(entry.text.c_str()))
            line.append(lookup(entry.text.c_str()));
        else
            line.append(entry.text.View());
        line.push_back('\n');
        fwrite_unlocked(line.data(), 1, line.size(), output);
        if (entry.kind == 3)
            ++errors;
        else if (entry.kind == 2)
            ++warnings;
    });
    std::fprintf(output, "OK (%d Errors, %d Warnings)\n", int(errors), int(warnings));
    funlockfile(output);
}

void SetResultsLogTextLookup(ResultsLogTextLookup lookup)
{
    textLookup.store(lookup);
}

void PrintResultsLog(ResultsLog& log)
{
    PrintResultsLogTo(log, stdout);
}
