// Code generation: the checked parse tree of the main unit becomes one
// GSCClass per class, with bytecode per function (appended to the symbol
// table's compiledClasses list).
#pragma once

#include <cstdint>
#include <vector>

#include "script/compiler/label_table.h"

namespace GSCompiler {

class GSSymbolTable;
class GSCClass;
class GSCFunction;
struct GSTreeNode;

constexpr int kTemporarySlots = 8;

class CodeEmitter;
class GSSymbol;

// A class-reference operand written before its class had an index.
struct ClassOperand {
    CodeEmitter* emitter;
    uint32_t position;
    GSSymbol* symbol;
    int32_t line;
};

struct GSGeneratorContext {
    GSSymbolTable* context = nullptr;
    GSCClass* currentClass = nullptr;
    GSCFunction* currentFunction = nullptr;
    GSLabelTable labels;
    bool temporaryInUse[kTemporarySlots] = {};
    // The classes code generation named, in the order it named them: they are
    // numbered after every class the semantic pass names, as when the pass
    // has seen the whole unit before generation starts.
    std::vector<GSSymbol*> namedClasses;
    std::vector<ClassOperand> classOperands;
};

class CodeGenerator;

// Needs a parse tree and no earlier errors; false on any failure (the
// reasons are in the compile log), and then no library may be written.
// Classes compiled by an earlier call on the same context are dropped first.
bool GenerateCode(GSGeneratorContext* generator, GSSymbolTable* context);

// The steps of GenerateCode for a unit generated a class at a time while it
// is parsed: Begin once, Generate per checked top-level declaration list
// (false once a step failed: nothing more may be generated), Finish once
// (numbers the named classes and writes their operands; false when one does
// not fit).
void BeginGeneration(GSGeneratorContext* generator, GSSymbolTable* context);
bool GenerateDeclarations(CodeGenerator* walker, GSTreeNode* declarations);
bool FinishGeneration(GSGeneratorContext* generator, CodeGenerator* walker);

// The line hook of a function's emitter: appends {position, current line}
// unless the last entry already holds that line. A position before the last
// entry's (a jump written back into a hole) adds nothing, so the table stays
// in code order.
void RecordLine(GSCFunction* function, uint32_t position);

}  // namespace GSCompiler
