// Code generation: the checked parse tree of the main unit becomes one
// GSCClass per class, with bytecode per function (appended to the symbol
// table's compiledClasses list).
#pragma once

#include <cstdint>

#include "script/compiler/label_table.h"

namespace GSCompiler {

class GSSymbolTable;
class GSCClass;
class GSCFunction;

constexpr int kTemporarySlots = 8;

struct GSGeneratorContext {
    GSSymbolTable* context = nullptr;
    GSCClass* currentClass = nullptr;
    GSCFunction* currentFunction = nullptr;
    GSLabelTable labels;
    bool temporaryInUse[kTemporarySlots] = {};
};

// Needs a parse tree and no earlier errors; false on any failure (the
// reasons are in the compile log), and then no library may be written.
// Classes compiled by an earlier call on the same context are dropped first.
bool GenerateCode(GSGeneratorContext* generator, GSSymbolTable* context);

// The line hook of a function's emitter: appends {position, current line}
// unless the last entry already holds that line. A position before the last
// entry's (a jump written back into a hole) adds nothing, so the table stays
// in code order.
void RecordLine(GSCFunction* function, uint32_t position);

}  // namespace GSCompiler
