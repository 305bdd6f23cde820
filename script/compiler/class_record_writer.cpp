// One class record of the library image: the class header with its bases,
// the function table (compiled functions, then the initializer), the member
// table, the method table and the instance layout.
#include <string>
#include <utility>
#include <vector>

#include "script/common/byte_buffer.h"
#include "script/common/library_image_format.h"
#include "script/compiler/compile_log.h"
#include "script/compiler/gsc_class.h"
#include "script/compiler/library_image_sections.h"
#include "script/compiler/method_table.h"
#include "script/compiler/symbols.h"

namespace GSCompiler {

namespace {

// The frame words shared by function and initializer records.
struct Frame {
    int32_t locals;     // L
    int32_t depth;      // D, the greatest operand-stack depth
    int32_t arguments;  // A, the object included
    int32_t declaredLocals;
    int32_t temporaries;
};

void WriteFrame(const Frame& frame, int32_t argumentBase, Utils::ByteBuffer* out)
{
    out->WriteU32(static_cast<uint32_t>(frame.locals + 4));
    out->WriteU32(static_cast<uint32_t>(argumentBase));
    out->WriteU32(static_cast<uint32_t>(frame.locals + 1));
    out->WriteU32(static_cast<uint32_t>(frame.depth + frame.locals + 4));
    out->WriteU32(static_cast<uint32_t>(frame.arguments));
    out->WriteU32(static_cast<uint32_t>(frame.declaredLocals));
    out->WriteU32(static_cast<uint32_t>(frame.temporaries));
}

// Copies `count` u32 words of a holder's list; false when it holds fewer.
bool WriteWordList(const Utils::ByteBuffer& list, uint32_t count, Utils::ByteBuffer* out)
{
    if (list.Length() / 4 < count)
        return false;
    out->WriteU32(count);
    out->WriteBytes(list.Data(), size_t(count) * 4);
    return true;
}

// Code, then 0xFF up to the next multiple of 4 of the image position.
void WriteCode(const CodeEmitter& emitter, Utils::ByteBuffer* out)
{
    out->WriteU32(static_cast<uint32_t>(emitter.code.Length()));
    out->WriteBytes(emitter.code.Data(), emitter.code.Length());
    while (out->Cursor() % 4 != 0 && out->Flags() == 0)
        out->WriteU8(0xFF);
}

bool ReportUnbalanced(GSCompileLog* log, const char* signature)
{
    if (log)
        log->AddLine((std::string("Library image: unbalanced operand stack in ") + signature + ".").c_str());
    return false;
}

}  // namespace

bool WriteFunctionRecord(GSSymbolTable* context, GSCompileLog* log, GSCFunction* compiled, Utils::ByteBuffer* out)
{
    const GSFunctionSymbol* function = compiled->symbol;
    const CodeEmitter& emitter = compiled->emitter;
    const size_t start = BeginRecord(out, GSImage::RECORD_FUNCTION);
    if (!WriteString(context, out, function->signature))
        return false;
    // The frame words below are only true of code that leaves its stack empty.
    if (emitter.depth != 0)
        return ReportUnbalanced(log, function->signature);
    out->WriteU32(static_cast<uint32_t>(function->type));
    out->WriteU32(static_cast<uint32_t>(ClassReferenceOf(context, function->returnClass)));
    out->WriteU32(function->flags & GSImage::kFunctionFlagMask);
    if (!WriteMethodSlot(log, function, out))
        return false;
    const Frame frame{compiled->LocalWords(), emitter.maxDepth, compiled->ArgumentWords(), function->localCount,
                      compiled->temporaryCount};
    WriteFrame(frame, 1 - frame.arguments, out);
    if (!WriteWordList(compiled->referenceLocals, compiled->referenceLocalCount, out))
        return false;
    WriteCode(emitter, out);
    out->WriteU32(GSImage::kLineTableMagic);
    out->WriteU32(compiled->lines.Count());
    for (uint32_t i = 0; i < compiled->lines.Count(); ++i) {
        out->WriteU32(compiled->lines[i].position);
        out->WriteU32(compiled->lines[i].line);
    }
    EndRecord(out, start);
    return true;
}

bool WriteInitializerRecord(GSSymbolTable* context, GSCompileLog* log, GSCClass* cls, Utils::ByteBuffer* out)
{
    const std::string name = std::string("::") + cls->symbol->name + "()";
    const CodeEmitter& emitter = cls->initializer;
    const size_t start = BeginRecord(out, GSImage::RECORD_FUNCTION);
    if (!WriteString(context, out, name.c_str()))
        return false;
    if (emitter.depth != 0)
        return ReportUnbalanced(log, name.c_str());
    out->WriteU32(0);  // returns nothing
    out->WriteU32(GSImage::kNone);
    out->WriteU32(GSImage::kConstructorFlag);
    out->WriteU32(GSImage::kNone);  // no method slot
    const Frame frame{cls->initializerLocalCount, emitter.maxDepth, 1, 0, cls->initializerLocalCount};
    WriteFrame(frame, 0, out);
    out->WriteU32(0);  // no reference locals
    WriteCode(emitter, out);
    EndRecord(out, start);
    return true;
}

bool WriteFunctionTable(GSSymbolTable* context, GSCompileLog* log, GSCClass* cls, Utils::ByteBuffer* out)
{
    const size_t start = BeginRecord(out, GSImage::RECORD_FUNCTION_TABLE);
    out->WriteU32(cls->functions.Count() + 1);
    for (Utils::IDoubleLinkListNode* node = cls->functions.First(); node != nullptr;
         node = cls->functions.After(node)) {
        if (!WriteFunctionRecord(context, log, static_cast<GSCFunction*>(node), out))
            return false;
    }
    if (!WriteInitializerRecord(context, log, cls, out))
        return false;
    EndRecord(out, start);
    return true;
}

bool IsMemberTableEntry(const GSSymbol* member)
{
    return member->kind == SYM_VARIABLE && member->scopeLevel == 0 && !(member->flags & MOD_DEFINE);
}

bool WriteMemberTable(GSSymbolTable* context, GSCClass* cls, Utils::ByteBuffer* out)
{
    const GSClassSymbol* symbol = cls->symbol;
    std::vector<const GSVariableSymbol*> variables = std::move(cls->numbered.variables);
    cls->numbered.variables = {};
    const bool ready = cls->numbered.variablesReady;
    cls->numbered.variablesReady = false;
    if (!ready) {
        // Member-table order (31 buckets, symbol compare) is the entry order.
        variables.clear();
        symbol->members.ForEach([&](Utils::IHashNode* node) {
            const GSSymbol* member = static_cast<const GSSymbol*>(node);
            if (IsMemberTableEntry(member))
                variables.push_back(static_cast<const GSVariableSymbol*>(member));
        });
    }
    const size_t start = BeginRecord(out, GSImage::RECORD_MEMBERS);
    out->WriteU32(static_cast<uint32_t>(variables.size()));
    for (const GSVariableSymbol* variable : variables) {
        if (!WriteString(context, out, variable->name))
            return false;
        out->WriteU32(static_cast<uint32_t>(variable->type));
        out->WriteU32(static_cast<uint32_t>(ClassReferenceOf(context, variable->className)));
        out->WriteU32(variable->flags & MOD_PUBLIC);
        out->WriteU32(variable->index >= 0 ? static_cast<uint32_t>(symbol->memberBase + variable->index)
                                           : GSImage::kNone);
    }
    EndRecord(out, start);
    return true;
}

bool WriteMethodTable(GSCompileLog* log, GSCClass* cls, Utils::ByteBuffer* out)
{
    MethodTableList table = std::move(cls->numbered.methodTable);
    cls->numbered.methodTable = MethodTableList();
    const bool ready = cls->numbered.methodTableReady;
    cls->numbered.methodTableReady = false;
    if (!ready) {
        table.Clear();
        if (!CollectMethodTable(cls->symbol, cls->symbol, &table, log))
            return false;
    }
    const uint32_t count = table.Count();
    // The size is computed: it is what a reader skips.
    out->WriteU32(GSImage::kSectionHeaderBytes + GSImage::kMethodSlotBytes * count);
    out->WriteU32(GSImage::RECORD_METHODS);
    out->WriteU32(count);
    for (uint32_t i = 0; i < count; ++i) {
        if (table[i].function->referenceIndex < 0) {
            if (log)
                log->AddLine(
                    (std::string("Library image: no function reference for ") + table[i].function->signature + ".")
                        .c_str());
            return false;
        }
        out->WriteU32(static_cast<uint32_t>(table[i].function->referenceIndex));
        out->WriteU32(static_cast<uint32_t>(table[i].offset));
    }
    return true;
}

bool WriteInstanceLayout(GSCClass* cls, Utils::ByteBuffer* out)
{
    const GSClassSymbol* symbol = cls->symbol;
    const size_t start = BeginRecord(out, GSImage::RECORD_LAYOUT);
    out->WriteU32(static_cast<uint32_t>(symbol->memberBase + symbol->memberCount + 3));
    out->WriteU32(static_cast<uint32_t>(2 * symbol->bases.size() + 1));
    for (const BaseEntry& base : symbol->bases) {
        // Each base block: its back-offset to word 0, and its view of our method table.
        out->WriteU32(GSImage::kLayoutValue);
        out->WriteU32(static_cast<uint32_t>(base.memberOffset));
        out->WriteU32(static_cast<uint32_t>(-base.memberOffset));
        out->WriteU32(GSImage::kLayoutMethodTable);
        out->WriteU32(static_cast<uint32_t>(base.memberOffset + 1));
        out->WriteU32(static_cast<uint32_t>(base.methodOffset));
    }
    out->WriteU32(GSImage::kLayoutMethodTable);
    out->WriteU32(1);
    out->WriteU32(0);
    if (!WriteWordList(cls->referenceMembers, cls->referenceMemberCount, out))
        return false;
    EndRecord(out, start);
    return true;
}

bool WriteClassRecord(GSSymbolTable* context, GSCompileLog* log, GSCClass* cls, Utils::ByteBuffer* out)
{
    const GSClassSymbol* symbol = cls->symbol;
    const size_t start = BeginRecord(out, GSImage::RECORD_CLASS);
    if (!WriteString(context, out, symbol->name))
        return false;
    out->WriteU32(symbol->flags & GSImage::kClassFlagMask);
    out->WriteU32(static_cast<uint32_t>(symbol->bases.size()));
    for (const BaseEntry& base : symbol->bases) {
        if (base.base->referenceIndex < 0)
            return false;
        out->WriteU32(static_cast<uint32_t>(base.base->referenceIndex));
        out->WriteU32(static_cast<uint32_t>(base.memberOffset));
        out->WriteU32(base.direct ? 1 : 0);
    }
    if (!WriteFunctionTable(context, log, cls, out) || !WriteMemberTable(context, cls, out) ||
        !WriteMethodTable(log, cls, out) || !WriteInstanceLayout(cls, out)) {
        return false;
    }
    EndRecord(out, start);
    return true;
}

}  // namespace GSCompiler
