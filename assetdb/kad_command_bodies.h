// The bodies of the commands that need more than one daemon request: status, validate, installfrompath, chbdeleteall.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "assetdb/kad_prompt_handler.h"
#include "kuid/kuid.h"
#include "zel/path.h"

class KADAssetInfo;
class ResultsLog;

// A prompt handler that can ask a running folder install to stop after the
// entry it is working on.
class KADStoppablePromptHandler : public KADPromptHandler {
public:
    bool IsStopRequested() const { return stopRequested_.load(); }
    void RequestStop() { stopRequested_.store(true); }

private:
    std::atomic<bool> stopRequested_{false};
};

// The seven status letters E I A D L M F, upper case when set.
std::string FormatStatusFlags(const KADAssetInfo& info, bool missingDependencies, bool faulty);
// "+ <tag> : <letters> : <category> : <name>" and a line end.
std::string FormatStatusLine(const KUID& id, const KADAssetInfo& info, bool missingDependencies, bool faulty);

// Prints the asset's status line on standard output; true when the daemon
// knows the asset, else the error "Unknown AssetID." about the id.
bool RunStatusCommand(const KUID& id, ResultsLog& log);
// Opens the asset read-only and asks the daemon to validate its folder, the
// daemon's lines landing in the log with the id as current asset. True when
// the asset could be opened and its folder found, whatever the validation
// said.
bool RunValidateCommand(const KUID& id, ResultsLog& log);
// Installs the folder when it holds "config.txt" or "config.chump" (its
// sub-folders are then left alone), else every sub-folder in turn; symbolic
// links are not followed. Returns the number of assets the daemon installed.
int32_t InstallFromPathRecursive(const Zel::File::Path& folder, ResultsLog& log, int32_t option, bool* flagOut,
                                 KADPromptHandler* promptHandler);
// Deletes every asset the daemon lists under "local". Always true.
bool RunCHBDeleteAllCommand(ResultsLog& log);
