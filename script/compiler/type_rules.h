// The expression type rules: operator result tables and the conversion table.
#pragma once

#include <cstdint>

namespace GSCompiler {

// Result type of a unary operator on `operand`; TYPE_NONE when illegal.
int32_t UnaryResult(int32_t op, int32_t operand);
// Result type of a binary operator; TYPE_NONE when illegal.
int32_t BinaryResult(int32_t op, int32_t left, int32_t right);
// True when a value of type `source` may be converted to `target`
// (assignment, initialisation, casts and argument passing).
bool Converts(int32_t target, int32_t source);
// string and the array types bool[] .. object[] (void[] excluded).
bool IsArrayLike(int32_t type);
// string, object, the array types and null: the types held by reference.
bool IsReference(int32_t type);

}  // namespace GSCompiler
