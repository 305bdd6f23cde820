// InstallArchiveAsset: puts one asset entry of a content archive into the asset database, asking before overwriting.
#pragma once

#include <cstdint>

#include "kuid/kuid.h"
#include "soup/soup_handle.h"

class KADPromptHandler;
class ResultsLog;

// Install mode bits.
enum InstallArchiveMode : int32_t {
    // Commit after writing, and write the config as "config.chump"; cleared
    // when the asset is already installed.
    InstallModeCommit = 2,
    // Set by the install when the entry's content signature checks.
    InstallModeSignatureVerified = 4,
    // Passed on to the commit.
    InstallModeCommitFlag8 = 8,
};

// The installed asset's id, or the null id when nothing was installed. An
// installed asset is overwritten without asking when no prompt handler is
// given; a handler's answer other than 2 or 3 skips it silently.
KUID InstallArchiveAsset(const SoupHandle& entry, ResultsLog& log, int32_t mode, bool* commitOut,
                         KADPromptHandler* promptHandler);
