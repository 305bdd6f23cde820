// Engine OS object: the program's name and the engine option string.
#pragma once

#include <string>

#include "zel/options.h"

namespace Zel {

class OS {
public:
    // window is accepted for the engine's signature and never used (no window).
    OS(const char* name, const char* options, void* window = nullptr);

    // False on failure. Headless, it always succeeds, except that a build with
    // KORVEL_TEST_HOOKS fails on the option word "-ForceOSFailure" while
    // "-NullRender" is absent ("-ForceOSFailure=always" fails regardless; the
    // environment variable KORVEL_TEST_ForceOSFailure does the same), so the
    // caller's retry path can be tested.
    bool Init();
    bool IsInitialised() const { return initialised_; }
    Options& GetOptions() { return options_; }
    const Options& GetOptions() const { return options_; }
    const std::string& GetName() const { return name_; }

private:
    std::string name_;
    Options options_;
    bool initialised_ = false;
};

}  // namespace Zel
