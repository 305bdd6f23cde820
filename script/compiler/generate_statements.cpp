// Code generation of statements: returns, jumps to labels, loops, if,
// switch with its case table, wait with its clause table, and "on" clauses.
#include <algorithm>

#include "script/common/opcodes.h"
#include "script/compiler/code_generator.h"
#include "script/compiler/symbols.h"
#include "script/compiler/type_rules.h"

namespace GSCompiler {

namespace {

// OP_Jump 0 whose operand receives the label's position when the function is complete.
void JumpToLabel(CodeGenerator& g, CodeEmitter* emitter, int32_t label, const char* text, int line)
{
    emitter->EmitI32(OP_Jump, 0);
    g.generator->labels.AddFixup(label, emitter->Position() - 4, text, line);
}

bool DefineLabel(CodeGenerator& g, int32_t label, uint32_t position)
{
    return g.generator->labels.Define(label, position);
}

// A loop or wait with its continue and break labels; a switch with its break label.
Construct* OpenConstruct(CodeGenerator& g, GSTreeNode* node, bool withContinue)
{
    Construct& construct = g.constructs[static_cast<size_t>(g.NewConstruct(node))];
    if (withContinue)
        construct.continueLabel = g.generator->labels.NewLabel();
    construct.breakLabel = g.generator->labels.NewLabel();
    if (construct.breakLabel < 0 || (withContinue && construct.continueLabel < 0))
        return nullptr;
    return &construct;
}

Step GenerateReturn(CodeGenerator& g, GenerateFrame& frame)
{
    GSTreeNode* value = frame.node->child[0];
    if (frame.phase == 0) {
        if (value != nullptr)
            return g.Visit(frame, 1, value);
        frame.target->Emit(OP_Return);
        return Step::Done;
    }
    const GSTreeNode* last = LastOf(value);
    // An object of a derived class leaves as the declared class's view, as
    // an assignment to a variable of that class would.
    if (GSCFunction* function = g.generator->currentFunction) {
        if (!Convert(g, frame.target, last->resultType, last->resultClass, function->symbol->type,
                     function->symbol->returnClass, frame.node->line)) {
            return Step::Fail;
        }
    }
    frame.target->Emit(IsReference(last->resultType) ? OP_ReturnRef : OP_ReturnValue);
    return Step::Done;
}

Step GenerateBreakOrContinue(CodeGenerator& g, GenerateFrame& frame)
{
    GSTreeNode* node = frame.node;
    const bool isBreak = node->kind == STMT_BREAK;
    Construct* construct = g.ConstructOf(node->partner);
    if (construct == nullptr)
        return Step::Fail;
    const int32_t label = isBreak ? construct->breakLabel : construct->continueLabel;
    if (label < 0)
        return Step::Fail;
    JumpToLabel(g, frame.target, label, isBreak ? "Break" : "Continue", node->line);
    return Step::Done;
}

Step GenerateGoto(CodeGenerator& g, GenerateFrame& frame)
{
    GSTreeNode* node = frame.node;
    const int32_t label = node->child[0] != nullptr ? g.generator->labels.LabelByName(node->child[0]->text) : -1;
    if (label < 0)
        return Step::Fail;
    JumpToLabel(g, frame.target, label, "no matching label", node->line);
    return Step::Done;
}

// Nothing before code generation looks at label names, so a second
// definition is reported here rather than failing without a word.
Step GenerateLabel(CodeGenerator& g, GenerateFrame& frame)
{
    GSTreeNode* node = frame.node;
    const int32_t label = node->child[0] != nullptr ? g.generator->labels.LabelByName(node->child[0]->text) : -1;
    if (label < 0)
        return Step::Fail;
    if (!DefineLabel(g, label, frame.target->Position())) {
        return g.Error(node->line, "label %s defined twice, line %d.", node->child[0]->text, node->line);
    }
    return Step::Done;
}

// The end of a loop: back to the top, the exit hole jumps here, the break label.
Step CloseLoop(CodeGenerator& g, GenerateFrame& frame)
{
    CodeEmitter* emitter = frame.target;
    emitter->EmitI32(OP_Jump, frame.scratch[0]);
    emitter->FillJump(static_cast<uint32_t>(frame.scratch[1]), OP_JumpIfZero, emitter->Position());
    Construct* construct = g.ConstructOf(frame.node);
    if (construct == nullptr || !DefineLabel(g, construct->breakLabel, emitter->Position()))
        return Step::Fail;
    return Step::Done;
}

// for (init; condition; step) body: scratch 0 = the top, 1 = the exit hole.
Step GenerateFor(CodeGenerator& g, GenerateFrame& frame)
{
    GSTreeNode* node = frame.node;
    CodeEmitter* emitter = frame.target;
    switch (frame.phase) {
    case 0:
        if (OpenConstruct(g, node, true) == nullptr)
            return Step::Fail;
        return g.Visit(frame, 1, node->child[0]);
    case 1:
        frame.scratch[0] = static_cast<int32_t>(emitter->Position());
        return g.Visit(frame, 2, node->child[1]);
    case 2:
        if (node->child[1] == nullptr) {
            emitter->Emit(OP_PushTrue);
        } else {
            TestCondition(emitter, node->child[1]);
        }
        frame.scratch[1] = static_cast<int32_t>(emitter->Hole());
        return g.Visit(frame, 3, node->child[2]);
    case 3: {
        Construct* construct = g.ConstructOf(node);
        if (construct == nullptr || !DefineLabel(g, construct->continueLabel, emitter->Position()))
            return Step::Fail;
        return g.Visit(frame, 4, node->child[3]);
    }
    default:
        return CloseLoop(g, frame);
    }
}

// while (condition) body: scratch 0 = the top, 1 = the exit hole.
Step GenerateWhile(CodeGenerator& g, GenerateFrame& frame)
{
    GSTreeNode* node = frame.node;
    CodeEmitter* emitter = frame.target;
    switch (frame.phase) {
    case 0: {
        Construct* construct = OpenConstruct(g, node, true);
        frame.scratch[0] = static_cast<int32_t>(emitter->Position());
        if (construct == nullptr || !DefineLabel(g, construct->continueLabel, emitter->Position()))
            return Step::Fail;
        return g.Visit(frame, 1, node->child[0]);
    }
    case 1:
        TestCondition(emitter, node->child[0]);
        frame.scratch[1] = static_cast<int32_t>(emitter->Hole());
        return g.Visit(frame, 2, node->child[1]);
    default:
        return CloseLoop(g, frame);
    }
}

// if (condition) then [else]: scratch 0 = hole 1, 1 = hole 2, 2 = the else-part's start.
Step GenerateIf(CodeGenerator& g, GenerateFrame& frame)
{
    GSTreeNode* node = frame.node;
    CodeEmitter* emitter = frame.target;
    switch (frame.phase) {
    case 0:
        return g.Visit(frame, 1, node->child[0]);
    case 1:
        TestCondition(emitter, node->child[0]);
        frame.scratch[0] = static_cast<int32_t>(emitter->Hole());
        return g.Visit(frame, 2, node->child[1]);
    case 2:
        if (node->child[2] == nullptr) {
            emitter->FillJump(static_cast<uint32_t>(frame.scratch[0]), OP_JumpIfZero, emitter->Position());
            return Step::Done;
        }
        frame.scratch[1] = static_cast<int32_t>(emitter->Hole());
        frame.scratch[2] = static_cast<int32_t>(emitter->Position());
        return g.Visit(frame, 3, node->child[2]);
    default:
        emitter->FillJump(static_cast<uint32_t>(frame.scratch[0]), OP_JumpIfZero,
                          static_cast<uint32_t>(frame.scratch[2]));
        emitter->FillJump(static_cast<uint32_t>(frame.scratch[1]), OP_Jump, emitter->Position());
        return Step::Done;
    }
}

uint32_t CountLinked(const GSTreeNode* owner, int32_t kind)
{
    uint32_t count = 0;
    for (const GSTreeNode* at = owner->listLink; at != nullptr; at = at->listLink) {
        if (at->Is(GROUP_STATEMENT, kind))
            ++count;
    }
    return count;
}

// The case table, once the body has placed every label: scratch 0 = table, 1 = n.
Step FinishSwitch(CodeGenerator& g, GenerateFrame& frame, Construct* construct)
{
    CodeEmitter* emitter = frame.target;
    const uint32_t end = emitter->Position();
    const std::vector<CaseEntry>& cases = construct->cases;
    for (size_t i = 1; i < cases.size(); ++i) {
        const CaseEntry& later = cases[i];
        if (cases[i - 1].value == later.value && later.node->Is(GROUP_STATEMENT, STMT_CASE)) {
            return g.Error(later.node->line, "case has duplicate value, line %d", later.node->line);
        }
    }
    const uint32_t table = static_cast<uint32_t>(frame.scratch[0]);
    const uint32_t n = static_cast<uint32_t>(frame.scratch[1]);
    uint32_t k = 0;
    uint32_t defaultTarget = end;
    for (const CaseEntry& entry : cases) {
        if (!entry.node->Is(GROUP_STATEMENT, STMT_CASE)) {
            defaultTarget = entry.position;
            continue;
        }
        if (k >= n)
            return Step::Fail;
        emitter->PatchI32(table + 4 * k, entry.value);
        emitter->PatchI32(table + 4 * (n + k), static_cast<int32_t>(entry.position));
        ++k;
    }
    if (k != n)
        return Step::Fail;
    emitter->PatchI32(table + 8 * n, static_cast<int32_t>(defaultTarget));
    return DefineLabel(g, construct->breakLabel, end) ? Step::Done : Step::Fail;
}

Step GenerateSwitch(CodeGenerator& g, GenerateFrame& frame)
{
    GSTreeNode* node = frame.node;
    CodeEmitter* emitter = frame.target;
    switch (frame.phase) {
    case 0:
        if (OpenConstruct(g, node, false) == nullptr)
            return Step::Fail;
        return g.Visit(frame, 1, node->child[0]);
    case 1: {
        const uint32_t n = CountLinked(node, STMT_CASE);
        if (!g.FitsU16(n, "cases in switch", node->line))
            return Step::Fail;
        emitter->EmitU16(OP_Switch, static_cast<uint16_t>(n));
        frame.scratch[0] = static_cast<int32_t>(emitter->Reserve(8 * n + 4));
        frame.scratch[1] = static_cast<int32_t>(n);
        return g.Visit(frame, 2, node->child[1]);
    }
    default: {
        Construct* construct = g.ConstructOf(node);
        if (construct == nullptr)
            return Step::Fail;
        return FinishSwitch(g, frame, construct);
    }
    }
}

// case and default: entered into the enclosing switch's list, sorted by value.
Step GenerateCaseLabel(CodeGenerator& g, GenerateFrame& frame)
{
    GSTreeNode* node = frame.node;
    Construct* construct = g.ConstructOf(node->partner);
    if (construct == nullptr || node->partner == nullptr || !node->partner->Is(GROUP_STATEMENT, STMT_SWITCH)) {
        return Step::Fail;
    }
    int32_t value = 2147483647;
    if (node->kind == STMT_CASE) {
        if (node->child[0] == nullptr)
            return Step::Fail;
        value = node->child[0]->IntValue();
    }
    std::vector<CaseEntry>& cases = construct->cases;
    auto at = std::lower_bound(cases.begin(), cases.end(), value,
                               [](const CaseEntry& entry, int32_t v) { return entry.value < v; });
    cases.insert(at, CaseEntry{frame.target->Position(), value, node});
    return Step::Done;
}

// wait () { on ... }: scratch 0 = the clause table, 1 = n.
Step GenerateWait(CodeGenerator& g, GenerateFrame& frame)
{
    GSTreeNode* node = frame.node;
    CodeEmitter* emitter = frame.target;
    if (frame.phase == 0) {
        Construct* construct = OpenConstruct(g, node, true);
        if (construct == nullptr || !DefineLabel(g, construct->continueLabel, emitter->Position()))
            return Step::Fail;
        const uint32_t n = CountLinked(node, STMT_ON);
        // The machine reads the count sign-extended.
        if (!g.FitsI16(n, "on clauses in wait", node->line))
            return Step::Fail;
        emitter->EmitU16(OP_Wait, static_cast<uint16_t>(n));
        frame.scratch[0] = static_cast<int32_t>(emitter->Reserve(8 * n));
        frame.scratch[1] = static_cast<int32_t>(n);
        return g.Visit(frame, 1, node->child[0]);
    }
    Construct* construct = g.ConstructOf(node);
    if (construct == nullptr)
        return Step::Fail;
    const uint32_t table = static_cast<uint32_t>(frame.scratch[0]);
    const uint32_t n = static_cast<uint32_t>(frame.scratch[1]);
    if (construct->clauses.size() != n)
        return Step::Fail;
    for (uint32_t i = 0; i < n; ++i) {
        const WaitClause& clause = construct->clauses[i];
        emitter->PatchU16(table + 4 * i, clause.major);
        emitter->PatchU16(table + 4 * i + 2, clause.minor);
        emitter->PatchI32(table + 4 * n + 4 * i, static_cast<int32_t>(clause.position));
    }
    return DefineLabel(g, construct->breakLabel, emitter->Position()) ? Step::Done : Step::Fail;
}

}  // namespace

// on major, minor [, message]: scratch 0 = temporary flag, 1 = its slot.
Step GenerateOnClause(CodeGenerator& g, GenerateFrame& frame)
{
    GSTreeNode* node = frame.node;
    CodeEmitter* emitter = frame.target;
    GSTreeNode* message = node->child[2];
    if (frame.phase == 0) {
        uint16_t major = 0;
        uint16_t minor = 0;
        if (node->child[0] == nullptr || node->child[1] == nullptr)
            return Step::Fail;
        if (!g.StringIndex(node->child[0]->text, node->line, &major) ||
            !g.StringIndex(node->child[1]->text, node->line, &minor)) {
            return Step::Fail;
        }
        GSTreeNode* wait = node->partner;
        if (wait != nullptr && wait->Is(GROUP_STATEMENT, STMT_WAIT)) {
            Construct* construct = g.ConstructOf(wait);
            if (construct == nullptr)
                return Step::Fail;
            if (!construct->clauses.empty())
                JumpToLabel(g, emitter, construct->breakLabel, "Break", node->line);
            construct->clauses.push_back(WaitClause{major, minor, emitter->Position()});
        } else {
            emitter->EmitU16(OP_Wait, 1);
            emitter->AppendU16(major);
            emitter->AppendU16(minor);
            emitter->AppendI32(static_cast<int32_t>(emitter->Position() + 4));
        }
        // The machine resumes the clause with the message on the stack.
        emitter->AdjustDepth(1);
        if (message == nullptr) {
            emitter->Emit(OP_PopRef);
            return Step::Done;
        }
        if (message->Is(GROUP_EXPRESSION, EXPR_IDENTIFIER))
            return g.Again(frame, 2);
        uint16_t slot = 0;
        if (!g.AcquireTemporary(node->line, &frame.scratch[0], &slot))
            return Step::Fail;
        frame.scratch[1] = slot;
        emitter->EmitU16(OP_StoreLocal, slot);
        return g.VisitPrefix(frame, 1, message);
    }
    if (frame.phase == 1) {
        emitter->EmitU16(OP_LoadLocal, static_cast<uint16_t>(frame.scratch[1]));
        g.ReleaseTemporary(frame.scratch[0]);
    }
    if (message->resultClass != nullptr) {
        if (!g.EmitClassReference(emitter, OP_Cast, message->resultClass, node->line))
            return Step::Fail;
    }
    return EmitStore(g, emitter, message, false) ? Step::Done : Step::Fail;
}

Step GenerateStatement(CodeGenerator& g, GenerateFrame& frame)
{
    switch (frame.node->kind) {
    case STMT_RETURN:
        return GenerateReturn(g, frame);
    case STMT_BREAK:
    case STMT_CONTINUE:
        return GenerateBreakOrContinue(g, frame);
    case STMT_GOTO:
        return GenerateGoto(g, frame);
    case STMT_FOR:
        return GenerateFor(g, frame);
    case STMT_WHILE:
        return GenerateWhile(g, frame);
    case STMT_SWITCH:
        return GenerateSwitch(g, frame);
    case STMT_IF:
        return GenerateIf(g, frame);
    case STMT_DEFAULT:
    case STMT_CASE:
        return GenerateCaseLabel(g, frame);
    case STMT_LABEL:
        return GenerateLabel(g, frame);
    case STMT_BLOCK:
        return frame.phase == 0 ? g.Visit(frame, 1, frame.node->child[0]) : Step::Done;
    case STMT_WAIT:
        return GenerateWait(g, frame);
    case STMT_ON:
        return GenerateOnClause(g, frame);
    default:
        return Step::Fail;
    }
}

}  // namespace GSCompiler
