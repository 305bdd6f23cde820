// The state of one code generation: the explicit walk stack with its frames,
// the loop/switch/wait records of the current function, temporaries and the
// checked conversions of wide values into narrow operands.
#pragma once

#include <cstdint>
#include <vector>

#include "script/compiler/code_generation.h"
#include "script/compiler/gsc_class.h"
#include "script/compiler/semantic.h"
#include "script/compiler/tree.h"

namespace GSCompiler {

struct GSCompileUnit;

// What a handler tells the walker: the node is finished, a child frame was
// pushed (or the handler wants to run again at its new phase), or the
// generation fails.
enum class Step { Done, Descend, Fail };

// A frame generates either the node itself or only its store prefix (the
// object of a member, the container and index of an element, ...).
enum class FrameMode : uint8_t { Node, Prefix };

struct GenerateFrame {
    GSTreeNode* node;
    CodeEmitter* target;
    int32_t phase;
    FrameMode mode;
    bool list;           // go on with node->next when the node is finished
    int32_t scratch[3];  // per node: hole positions, a loop top, a temporary
};

struct CaseEntry {
    uint32_t position;
    int32_t value;
    const GSTreeNode* node;
};

struct WaitClause {
    uint16_t major;
    uint16_t minor;
    uint32_t position;
};

// A loop, switch or wait of the current function (its node's `work` holds the index).
struct Construct {
    int32_t breakLabel = -1;
    int32_t continueLabel = -1;
    std::vector<CaseEntry> cases;  // sorted by value; an equal value goes first
    std::vector<WaitClause> clauses;
};

class CodeGenerator {
public:
    CodeGenerator(GSGeneratorContext* generator, GSSymbolTable* context);

    // Walks the sibling list from `root` into `target`; false on any failure.
    bool Run(GSTreeNode* root, CodeEmitter* target);

    // Continues `frame` at `nextPhase` once `node` (and the list behind it)
    // has been generated into `target`; a null node continues at once.
    Step Visit(GenerateFrame& frame, int32_t nextPhase, GSTreeNode* node, CodeEmitter* target);
    Step Visit(GenerateFrame& frame, int32_t nextPhase, GSTreeNode* node)
    {
        return Visit(frame, nextPhase, node, frame.target);
    }
    // The same for one node without its list (a call's callee).
    Step VisitSingle(GenerateFrame& frame, int32_t nextPhase, GSTreeNode* node);
    // Continues `frame` at `nextPhase` once the store prefix of `storeTarget` is generated.
    Step VisitPrefix(GenerateFrame& frame, int32_t nextPhase, GSTreeNode* storeTarget);
    // Runs `frame` again at `nextPhase` right away.
    Step Again(GenerateFrame& frame, int32_t nextPhase);

    // A located error ("%s(%d) : %s") without failing the step (string compares go on).
    void ReportOnly(int line, const char* format, ...) __attribute__((format(printf, 3, 4)));
    // A located error that fails the step.
    template <typename... Arguments>
    Step Error(int line, const char* format, Arguments... arguments)
    {
        ReportOnly(line, format, arguments...);
        return Step::Fail;
    }

    // Narrow operands: false (with "too many <what>, line %d.") when `value`
    // does not fit.
    bool FitsU16(int64_t value, const char* what, int line);
    bool FitsI16(int64_t value, const char* what, int line);

    // `opcode` with the class-reference index of a class name as its operand.
    // A class the semantic pass did not number yet is numbered when the
    // generation ends (FinishGeneration), after every class the pass names,
    // and its operand written then.
    bool EmitClassReference(CodeEmitter* emitter, uint8_t opcode, const char* name, int line);
    // The library-string index of a text.
    bool StringIndex(const char* text, int line, uint16_t* index);

    // A free temporary slot of the current function or initializer.
    bool AcquireTemporary(int line, int32_t* flag, uint16_t* slot);
    void ReleaseTemporary(int32_t flag);

    int32_t NewConstruct(GSTreeNode* node);
    Construct* ConstructOf(const GSTreeNode* node);

    GSGeneratorContext* generator;
    GSSymbolTable* context;
    GSCompileUnit* unit;
    std::vector<Construct> constructs;  // of the current function

private:
    bool Push(GSTreeNode* node, CodeEmitter* target, bool list, FrameMode mode);
    Step Dispatch(GenerateFrame& frame);
    void Finish(GenerateFrame& frame);

    GenerateFrame stack_[kWalkStackSize];
    int count_ = 0;
    bool overflow_ = false;
};

// The node handlers, by group (generate_*.cpp).
Step GenerateDeclaration(CodeGenerator& g, GenerateFrame& frame);
Step GenerateStatement(CodeGenerator& g, GenerateFrame& frame);
Step GenerateOnClause(CodeGenerator& g, GenerateFrame& frame);
Step GenerateExpression(CodeGenerator& g, GenerateFrame& frame);
Step GenerateComparison(CodeGenerator& g, GenerateFrame& frame);
// Stores (generate_stores.cpp).
Step GeneratePrefix(CodeGenerator& g, GenerateFrame& frame);
Step GenerateAssign(CodeGenerator& g, GenerateFrame& frame);
Step GenerateCopy(CodeGenerator& g, GenerateFrame& frame);
Step GenerateIncrement(CodeGenerator& g, GenerateFrame& frame);

// The last node of a list: the one whose value an expression list leaves.
GSTreeNode* LastOf(GSTreeNode* node);
// The conversion of a generated value to a required type; false (reported)
// when there is none.
bool Convert(CodeGenerator& g, CodeEmitter* emitter, int32_t fromType, const char* fromClass, int32_t toType,
             const char* toClass, int line);
// String conversion of a value of `type`; false when the type has none (not reported).
bool ConvertToString(CodeEmitter* emitter, int32_t type);
// The store into `target` (after its prefix and the value); `keep` leaves the value.
bool EmitStore(CodeGenerator& g, CodeEmitter* emitter, const GSTreeNode* target, bool keep);
// OP_IsNotNull after a reference condition.
void TestCondition(CodeEmitter* emitter, GSTreeNode* condition);

}  // namespace GSCompiler
