// The compiler's process-wide state.
#include "script/compiler/compiler_state.h"

namespace GSCompiler {

CompilerState& State()
{
    static CompilerState state;
    return state;
}

void ResetState()
{
    State() = CompilerState();
}

}  // namespace GSCompiler
