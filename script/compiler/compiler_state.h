// The compiler's process-wide state for the one compilation running at a time.
#pragma once

namespace GSCompiler {

struct GSCompileUnit;
class FlexLexer;

// Everything the compiler keeps beyond one call, in one place, so that the
// driver and the back end can see and reset it.
struct CompilerState {
    GSCompileUnit* currentUnit = nullptr;
    FlexLexer* currentScanner = nullptr;
};

CompilerState& State();
// Clears the current unit and scanner.
void ResetState();

}  // namespace GSCompiler
