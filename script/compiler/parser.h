// The DudoRazuzu parser: tokens of the current scanner to the current unit's parse tree.
#pragma once

namespace GSCompiler {

// Parse limits of the original table-driven parser, kept so that the same
// sources fail in the same place.
constexpr int kParserStackLimit = 10000;

// Parses with the current scanner into the current unit (State()). 0 on
// success (the unit root is set), 1 after a syntax error (or a token over the
// scanner's limit), 2 after a parser stack overflow. Each failure reports one
// located error through the unit.
int Parse();

// Developer hook: called with (group, kind, line) for every node made, in
// the order the parser makes them. Null in normal use.
extern void (*ParseTraceHook)(int group, int kind, int line);

}  // namespace GSCompiler
