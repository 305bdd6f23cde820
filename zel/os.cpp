// Engine OS object: name and options; headless initialisation.
#include "zel/os.h"

#include "zel/test_hooks.h"

namespace Zel {

OS::OS(const char* name, const char* options, void* /*window*/) : name_(name ? name : "")
{
    options_.ProcessRaw(options);
}

bool OS::Init()
{
    initialised_ = !TestHookForcesFailure(options_, "ForceOSFailure");
    return initialised_;
}

}  // namespace Zel
