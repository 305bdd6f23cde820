// Validation of an asset folder, run as a synchronous main-thread job for the command host.
#pragma once

#include "zel/file.h"
#include "zel/pstring.h"

class ResultsLog;

class ValidateAssetTask {
public:
    // Validates the asset in folder against the template of its kind and
    // adds the findings to the log; true when the asset is valid.
    static bool RunOnMainThread(const Zel::PString& assetName, Zel::File::Path folder, ResultsLog& log);
    // False while the validator of this build is a stand-in that fails every
    // asset: callers that would act on the verdict (the daemon's extended
    // repair marks assets faulty) must not.
    static constexpr bool CanJudge = false;
};
