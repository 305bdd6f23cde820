// The random state of the core "Math" natives.
#pragma once

#include <cstdint>

namespace GSRuntime {

// Advances the state: (mult(state, 31415821) + 1) mod 100000000.
int32_t MathNext();
// The state is seeded from the clock at registration; tests and the gsrun
// harness set it to make runs repeatable.
void SetMathRandomState(int32_t state);
int32_t MathRandomState();

}  // namespace GSRuntime
