// KADFailureReport: makes sure a failed daemon request leaves exactly the line that says why.
#pragma once

#include <cstdint>

class KUID;
class ResultsLog;

// Made before a command asks the daemon. When the answer is a failure, one
// of three things explains it: the daemon's own error line in the log (a full
// disk, a built-in asset), a request lost with the daemon (the dispatcher
// adds the line for that), or else the command's own text. Explain adds the
// command's text only in the last case, so a full disk is never reported as
// an unknown asset.
class KADFailureReport {
public:
    explicit KADFailureReport(ResultsLog& log);

    // A request was lost with the daemon since this report was made.
    bool RequestLost() const;
    // Adds the error text about the asset unless the failure is explained already.
    void Explain(const KUID& id, const char* text);
    // For a change the daemon refused without a line of its own: the daemon
    // is asked whether it knows the asset, so that a known asset is never
    // called unknown. Adds `refusedText` for a known asset, "Unknown
    // AssetID." for another.
    void ExplainRefusal(const KUID& id, const char* refusedText);
    // The same for a failure about no asset.
    void Explain(const char* text);

private:
    bool IsExplained() const;

    ResultsLog& log;
    int32_t errorsBefore;
    uint64_t lostBefore;
};
