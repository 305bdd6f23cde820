// Validation of an asset folder, run as a synchronous main-thread job for the command host.
#pragma once

#include "zel/file.h"
#include "zel/pstring.h"

class ResultsLog;
class SoupHandle;

namespace DODLib {
class Container;
}

class ValidateAssetTask {
public:
    // Validates the asset folder on the main thread (the caller waits):
    // config, asset rules, both template phases, then the scripts. Findings
    // go to the log; true when the asset is valid.
    static bool RunOnMainThread(const Zel::PString& rootName, Zel::File::Path folder, ResultsLog& log);
    // The whole validation on the calling thread. The folder is relative to
    // the root folder of the name, or absolute when the name is empty.
    static bool ValidateAsset(Zel::PString rootName, Zel::File::Path folder, ResultsLog& log);
    // The asset rules and phase one (reading the config against its
    // template); then phase two when phase one passed. Meshes loaded for the
    // checks are released afterwards.
    static void RunTemplateChecks(const Zel::File::Path& configPath, DODLib::Container* container,
                                  const Zel::PString& rootName, ResultsLog& log);
    static bool CheckAssetConfig(const Zel::File::Path& configPath, ResultsLog& log, DODLib::Container* container,
                                 const Zel::PString& rootName);
    // Phase two: textures, export and the container validators.
    static bool RunContainerChecks(DODLib::Container* container, ResultsLog& log);

    // The verdicts are real: callers may record them (the daemon marks
    // assets faulty from them).
    static constexpr bool CanJudge = true;

private:
    ValidateAssetTask(const Zel::PString& rootName, const Zel::File::Path& folder, ResultsLog& log)
        : rootName_(rootName), folder_(folder), log_(log)
    {}
    void Run(intptr_t argument);

    Zel::PString rootName_;
    Zel::File::Path folder_;
    ResultsLog& log_;
    bool result_ = false;
};

// UTF-8 text in the ANSI code page; a null text gives the empty string.
Zel::PString Utf8ToAnsiPString(const char* text);
