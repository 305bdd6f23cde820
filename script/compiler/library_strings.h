// The compiled library's string pool, shared by code generation and the
// image writer: indices are handed out in the order texts are first seen.
#pragma once

#include <cstdint>

namespace GSCompiler {

class GSSymbolTable;

// The pool index of `text`, entering it with the next free index when new;
// -1 when the pool cannot grow.
int32_t InternString(const char* text, GSSymbolTable* context);

}  // namespace GSCompiler
