// Code generation's walk: an explicit stack of frames over the checked parse
// tree (nesting is bounded as in the semantic pass, never by the machine
// stack), the value-use rule, temporaries and the narrow-operand checks.
#include "script/compiler/code_generation.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "script/common/opcodes.h"
#include "script/compiler/code_generator.h"
#include "script/compiler/compile_log.h"
#include "script/compiler/compile_unit.h"
#include "script/compiler/library_strings.h"
#include "script/compiler/symbols.h"
#include "script/compiler/type_rules.h"

namespace GSCompiler {

void RecordLine(GSCFunction* function, uint32_t position)
{
    if (function == nullptr)
        return;
    const uint32_t count = function->lines.Count();
    const uint32_t line = static_cast<uint32_t>(function->currentLine);
    if (count > 0) {
        const GSCFunction::LineDebugInfo& last = function->lines[count - 1];
        if (last.line == line || position < last.position)
            return;
    }
    function->lines.Append(GSCFunction::LineDebugInfo{position, line});
}

GSTreeNode* LastOf(GSTreeNode* node)
{
    while (node != nullptr && node->next != nullptr)
        node = node->next;
    return node;
}

void TestCondition(CodeEmitter* emitter, GSTreeNode* condition)
{
    GSTreeNode* last = LastOf(condition);
    if (last != nullptr && IsReference(last->resultType))
        emitter->Emit(OP_IsNotNull);
}

CodeGenerator::CodeGenerator(GSGeneratorContext* generatorContext, GSSymbolTable* symbolTable)
    : generator(generatorContext), context(symbolTable), unit(&symbolTable->mainUnit)
{}

bool CodeGenerator::Push(GSTreeNode* node, CodeEmitter* target, bool list, FrameMode mode)
{
    if (count_ + 1 >= kWalkStackSize) {
        overflow_ = true;
        return false;
    }
    stack_[count_++] = GenerateFrame{node, target, 0, mode, list, {0, 0, 0}};
    return true;
}

Step CodeGenerator::Visit(GenerateFrame& frame, int32_t nextPhase, GSTreeNode* node, CodeEmitter* target)
{
    frame.phase = nextPhase;
    if (node == nullptr)
        return Step::Descend;
    return Push(node, target, true, FrameMode::Node) ? Step::Descend : Step::Fail;
}

Step CodeGenerator::VisitSingle(GenerateFrame& frame, int32_t nextPhase, GSTreeNode* node)
{
    frame.phase = nextPhase;
    if (node == nullptr)
        return Step::Descend;
    return Push(node, frame.target, false, FrameMode::Node) ? Step::Descend : Step::Fail;
}

Step CodeGenerator::VisitPrefix(GenerateFrame& frame, int32_t nextPhase, GSTreeNode* storeTarget)
{
    frame.phase = nextPhase;
    if (storeTarget == nullptr)
        return Step::Descend;
    return Push(storeTarget, frame.target, false, FrameMode::Prefix) ? Step::Descend : Step::Fail;
}

Step CodeGenerator::Again(GenerateFrame& frame, int32_t nextPhase)
{
    frame.phase = nextPhase;
    return Step::Descend;
}

void CodeGenerator::ReportOnly(int line, const char* format, ...)
{
    char text[kMaxMessage + 1];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    Report(unit, true, false, line, "%s", text);
}

bool CodeGenerator::FitsU16(int64_t value, const char* what, int line)
{
    if (value >= 0 && value <= 0xFFFF)
        return true;
    Error(line, "too many %s, line %d.", what, line);
    return false;
}

bool CodeGenerator::FitsI16(int64_t value, const char* what, int line)
{
    if (value >= -0x8000 && value <= 0x7FFF)
        return true;
    Error(line, "too many %s, line %d.", what, line);
    return false;
}

bool CodeGenerator::EmitClassReference(CodeEmitter* emitter, uint8_t opcode, const char* name, int line)
{
    GSSymbol* symbol = name != nullptr ? context->FindGlobal(name) : nullptr;
    if (symbol == nullptr || symbol->kind != SYM_CLASS)
        return false;
    generator->namedClasses.push_back(symbol);
    if (symbol->referenceIndex >= 0) {
        if (!FitsU16(symbol->referenceIndex, "classes in library", line))
            return false;
        emitter->EmitU16(opcode, static_cast<uint16_t>(symbol->referenceIndex));
        return true;
    }
    emitter->Emit(opcode);
    generator->classOperands.push_back(ClassOperand{emitter, emitter->Position(), symbol, line});
    emitter->AppendU16(0);
    return true;
}

bool CodeGenerator::StringIndex(const char* text, int line, uint16_t* index)
{
    const int32_t found = InternString(text != nullptr ? text : "", context);
    if (found < 0) {
        Print(unit, "Internal compiler error.");
        ++unit->errorCount;
        return false;
    }
    if (!FitsU16(found, "strings in library", line))
        return false;
    *index = static_cast<uint16_t>(found);
    return true;
}

// A temporary sits behind the frame's arguments and declared locals. In a
// class initializer word 0 holds the object, so its temporaries start at 1
// as well (slot 0 would overwrite the object the initializer stores into).
bool CodeGenerator::AcquireTemporary(int line, int32_t* flag, uint16_t* slot)
{
    int32_t free = -1;
    for (int32_t i = 0; i < kTemporarySlots; ++i) {
        if (!generator->temporaryInUse[i]) {
            free = i;
            break;
        }
    }
    if (free < 0) {
        Error(line, "too many temporaries in expression, line %d.", line);
        return false;
    }
    GSCFunction* function = generator->currentFunction;
    const int64_t base = function != nullptr ? int64_t(function->ArgumentWords()) + function->symbol->localCount : 1;
    if (!FitsU16(base + free, "local variables in function", line))
        return false;
    generator->temporaryInUse[free] = true;
    if (function != nullptr) {
        if (function->temporaryCount < free + 1)
            function->temporaryCount = free + 1;
    } else if (generator->currentClass != nullptr && generator->currentClass->initializerLocalCount < free + 1) {
        generator->currentClass->initializerLocalCount = free + 1;
    }
    *flag = free;
    *slot = static_cast<uint16_t>(base + free);
    return true;
}

void CodeGenerator::ReleaseTemporary(int32_t flag)
{
    if (flag >= 0 && flag < kTemporarySlots)
        generator->temporaryInUse[flag] = false;
}

int32_t CodeGenerator::NewConstruct(GSTreeNode* node)
{
    constructs.emplace_back();
    node->work = static_cast<int32_t>(constructs.size() - 1);
    return node->work;
}

Construct* CodeGenerator::ConstructOf(const GSTreeNode* node)
{
    if (node == nullptr || node->work < 0 || static_cast<size_t>(node->work) >= constructs.size())
        return nullptr;
    return &constructs[static_cast<size_t>(node->work)];
}

Step CodeGenerator::Dispatch(GenerateFrame& frame)
{
    GSTreeNode* node = frame.node;
    if (frame.mode == FrameMode::Prefix)
        return GeneratePrefix(*this, frame);
    if (frame.phase == 0 && generator->currentFunction != nullptr)
        generator->currentFunction->currentLine = node->line;
    switch (node->group) {
    case GROUP_DECLARATION:
        return GenerateDeclaration(*this, frame);
    case GROUP_STATEMENT:
        return GenerateStatement(*this, frame);
    case GROUP_EXPRESSION:
        return GenerateExpression(*this, frame);
    default:
        return Step::Fail;
    }
}

// The value-use rule: an expression whose value nobody takes is dropped,
// unless its handler already stored without keeping it.
void CodeGenerator::Finish(GenerateFrame& frame)
{
    GSTreeNode* node = frame.node;
    if (frame.mode != FrameMode::Node || node->group != GROUP_EXPRESSION)
        return;
    if (!(node->flags & FLAG_VALUE_NOT_USED) || (node->flags & FLAG_VALUE_DROPPED))
        return;
    if (IsReference(node->resultType)) {
        frame.target->Emit(OP_PopRef);
    } else if (node->resultType != TYPE_VOID) {
        frame.target->Emit(OP_Pop);
    }
}

bool CodeGenerator::Run(GSTreeNode* root, CodeEmitter* target)
{
    const int base = count_;
    if (root == nullptr)
        return true;
    if (!Push(root, target, true, FrameMode::Node))
        return false;
    while (count_ > base) {
        GenerateFrame& frame = stack_[count_ - 1];
        const Step step = Dispatch(frame);
        if (step == Step::Fail) {
            if (overflow_) {
                Print(unit, "Stack overflow; code nested too deep.");
                ++unit->errorCount;
            }
            return false;
        }
        if (step == Step::Descend)
            continue;
        Finish(frame);
        if (frame.list && frame.node->next != nullptr) {
            frame = GenerateFrame{frame.node->next, frame.target, 0, frame.mode, true, {0, 0, 0}};
        } else {
            --count_;
        }
    }
    return true;
}

void BeginGeneration(GSGeneratorContext* generator, GSSymbolTable* context)
{
    generator->context = context;
    generator->currentClass = nullptr;
    generator->currentFunction = nullptr;
    for (bool& inUse : generator->temporaryInUse)
        inUse = false;
    generator->labels.Clear();
    generator->namedClasses.clear();
    generator->classOperands.clear();
    context->compiledClasses.DeleteAll();
}

bool GenerateDeclarations(CodeGenerator* walker, GSTreeNode* declarations)
{
    return walker->Run(declarations, nullptr);
}

bool FinishGeneration(GSGeneratorContext* generator, CodeGenerator* walker)
{
    GSSymbolTable* context = generator->context;
    for (GSSymbol* symbol : generator->namedClasses)
        context->GiveReferenceIndex(symbol);
    generator->namedClasses.clear();
    bool ok = true;
    for (const ClassOperand& operand : generator->classOperands) {
        if (!walker->FitsU16(operand.symbol->referenceIndex, "classes in library", operand.line)) {
            ok = false;
            break;
        }
        operand.emitter->PatchU16(operand.position, static_cast<uint16_t>(operand.symbol->referenceIndex));
    }
    generator->classOperands.clear();
    generator->currentClass = nullptr;
    generator->currentFunction = nullptr;
    return ok;
}

bool GenerateCode(GSGeneratorContext* generator, GSSymbolTable* context)
{
    GSCompileUnit* unit = &context->mainUnit;
    if (unit->root == nullptr || unit->errorCount != 0)
        return false;
    BeginGeneration(generator, context);
    CodeGenerator walker(generator, context);
    const bool generated = GenerateDeclarations(&walker, unit->root);
    const bool numbered = generated && FinishGeneration(generator, &walker);
    generator->currentClass = nullptr;
    generator->currentFunction = nullptr;
    // An error reported without failing a step (a string comparison) still
    // fails the generation: no library is written from it.
    return generated && numbered && unit->errorCount == 0;
}

}  // namespace GSCompiler
