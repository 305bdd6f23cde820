// The core "Math" natives: a linear-congruential random state kept within
// signed 32-bit arithmetic, and the square root.
#include "script/vm/math_natives.h"

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>

#include "script/vm/core_natives.h"
#include "script/vm/gs_machine.h"
#include "script/vm/native_function.h"

namespace GSRuntime {

namespace {

int32_t g_state = 1;

// 65537 x 2^-32: 1/65535 to within one part in 2^32.
constexpr long double kScale = 65537.0L / 4294967296.0L;

// p x q mod 10^8 with both factors split at 10^4, so no product leaves
// 32 bits (C division and remainder, truncating toward zero).
int32_t Multiply(int32_t p, int32_t q)
{
    const int64_t p1 = p / 10000;
    const int64_t p0 = p % 10000;
    const int64_t q1 = q / 10000;
    const int64_t q0 = q % 10000;
    return static_cast<int32_t>((((p0 * q1 + p1 * q0) % 10000) * 10000 + p0 * q0) % 100000000);
}

int32_t NextSample()
{
    return std::abs(MathNext()) % 65535;
}

bool RandFloat(GSContext*, GSStack& stack)
{
    const GSStackFrame* frame = stack.CurrentFrame();
    const float low = frame->GetFloatParam(1);
    const float high = frame->GetFloatParam(2);
    const long double r = NextSample();
    stack.PushFloat(static_cast<float>(low + r * kScale * (static_cast<long double>(high) - low)));
    return true;
}

bool RandInt(GSContext*, GSStack& stack)
{
    const GSStackFrame* frame = stack.CurrentFrame();
    const int32_t low = frame->GetIntParam(1);
    const int32_t high = frame->GetIntParam(2);
    const int32_t range = static_cast<int32_t>(static_cast<uint32_t>(high) - static_cast<uint32_t>(low));
    const float product = static_cast<float>(NextSample()) * static_cast<float>(kScale) * static_cast<float>(range);
    // A product at the edge of the int range converts as the interpreter's
    // float-to-int does: out of range gives the smallest int.
    int32_t offset = std::numeric_limits<int32_t>::min();
    if (product >= -2147483648.0f && product < 2147483648.0f)
        offset = static_cast<int32_t>(product);
    stack.PushInt(static_cast<int32_t>(static_cast<uint32_t>(low) + static_cast<uint32_t>(offset)));
    return true;
}

bool Sqrt(GSContext*, GSStack& stack)
{
    stack.PushFloat(std::sqrt(stack.CurrentFrame()->GetFloatParam(1)));
    return true;
}

}  // namespace

int32_t MathNext()
{
    g_state = static_cast<int32_t>((int64_t(Multiply(g_state, 31415821)) + 1) % 100000000);
    return g_state;
}

void SetMathRandomState(int32_t state)
{
    g_state = state;
}

int32_t MathRandomState()
{
    return g_state;
}

void RegisterMathNatives(GSMachine* machine)
{
    g_state = static_cast<int32_t>(static_cast<uint32_t>(std::time(nullptr)));
    machine->RegisterNative(new GSCNativeFunction("Math", "$float@Math::Rand(float,float)", RandFloat));
    machine->RegisterNative(new GSCNativeFunction("Math", "$int@Math::Rand(int,int)", RandInt));
    machine->RegisterNative(new GSCNativeFunction("Math", "$float@Math::Sqrt(float)", Sqrt));
}

}  // namespace GSRuntime
