// Class and function references (sections 4 and 5): every class and
// function the image names by index, listed at that index.
#include <new>
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

constexpr int32_t kMaxMethodSlot = 32767;  // slots travel as 16-bit values

GSClassSymbol* ClassNamed(GSSymbolTable* context, const char* className)
{
    if (className == nullptr)
        return nullptr;
    GSSymbol* found = context->FindGlobal(className);
    return found != nullptr && found->kind == SYM_CLASS ? static_cast<GSClassSymbol*>(found) : nullptr;
}

void NumberClassRecord(GSSymbolTable* context, GSCClass* compiled)
{
    GSClassSymbol* cls = compiled->symbol;
    context->GiveReferenceIndex(cls);
    for (const BaseEntry& entry : cls->bases)
        context->GiveReferenceIndex(entry.base);
    for (Utils::IDoubleLinkListNode* node = compiled->functions.First(); node != nullptr;
         node = compiled->functions.After(node)) {
        context->GiveReferenceIndex(ClassNamed(context, static_cast<GSCFunction*>(node)->symbol->returnClass));
    }
    GSCClass::Numbered& numbered = compiled->numbered;
    numbered.variables.clear();
    numbered.variablesReady = true;
    cls->members.ForEach([&](Utils::IHashNode* node) {
        const GSSymbol* member = static_cast<const GSSymbol*>(node);
        if (!IsMemberTableEntry(member))
            return;
        const auto* variable = static_cast<const GSVariableSymbol*>(member);
        context->GiveReferenceIndex(ClassNamed(context, variable->className));
        try {
            numbered.variables.push_back(variable);
        } catch (const std::bad_alloc&) {
            numbered.variablesReady = false;  // the record writer walks the table itself
        }
    });
    MethodTableList& table = numbered.methodTable;
    table.Clear();
    numbered.methodTableReady = CollectMethodTable(cls, cls, &table, nullptr);
    if (!numbered.methodTableReady)
        return;  // the record writer builds it again and reports it
    for (uint32_t i = 0; i < table.Count(); ++i)
        context->GiveReferenceIndex(table[i].function);
}

// The symbols of one reference numbering at their index, each of `kind`
// and holding that index; false on a gap or a clash (the image would name
// what it does not list).
template <class Symbol>
bool ByReference(const std::vector<GSSymbol*>& numbered, int32_t count, int32_t kind, std::vector<Symbol*>* byIndex)
{
    if (count < 0 || numbered.size() != static_cast<size_t>(count))
        return false;
    byIndex->assign(numbered.size(), nullptr);
    for (size_t i = 0; i < numbered.size(); ++i) {
        GSSymbol* symbol = numbered[i];
        if (symbol == nullptr || symbol->kind != kind || symbol->referenceIndex != static_cast<int32_t>(i))
            return false;
        (*byIndex)[i] = static_cast<Symbol*>(symbol);
    }
    return true;
}

bool ClassesByReference(GSSymbolTable* context, std::vector<GSClassSymbol*>* byIndex)
{
    return ByReference(context->classReferences, context->classReferenceCounter, SYM_CLASS, byIndex);
}

// Each function also a member of a numbered class.
bool FunctionsByReference(GSSymbolTable* context, std::vector<GSFunctionSymbol*>* byIndex)
{
    if (!ByReference(context->functionReferences, context->functionReferenceCounter, SYM_FUNCTION, byIndex))
        return false;
    for (const GSFunctionSymbol* function : *byIndex) {
        if (function->owner == nullptr || function->owner->kind != SYM_CLASS || function->owner->referenceIndex < 0)
            return false;
    }
    return true;
}

void ReportNumbering(GSCompileLog* log, const char* what)
{
    if (log == nullptr)
        return;
    std::string line = "Library image: ";
    line += what;
    line += " reference numbering has a gap.";
    log->AddLine(line.c_str());
}

}  // namespace

void NumberReferences(GSSymbolTable* context)
{
    for (Utils::IDoubleLinkListNode* node = context->compiledClasses.First(); node != nullptr;
         node = context->compiledClasses.After(node)) {
        NumberClassRecord(context, static_cast<GSCClass*>(node));
    }
}

bool WriteMethodSlot(GSCompileLog* log, const GSFunctionSymbol* function, Utils::ByteBuffer* out)
{
    const int32_t slot = GSFunctionSymbolExt(const_cast<GSFunctionSymbol*>(function), 0).Slot();
    if (slot < 0 || function->index < 0) {
        out->WriteU32(GSImage::kNone);
        return true;
    }
    if (slot > kMaxMethodSlot) {
        if (log)
            log->AddLine(
                ("Library image: too many methods in class " + std::string(function->owner->name) + ".").c_str());
        return false;
    }
    out->WriteU32(static_cast<uint32_t>(slot));
    return true;
}

int32_t ClassReferenceOf(GSSymbolTable* context, const char* className)
{
    const GSClassSymbol* cls = ClassNamed(context, className);
    return cls != nullptr ? cls->referenceIndex : -1;
}

bool WriteClassReferences(GSSymbolTable* context, GSCompileLog* log, Utils::ByteBuffer* out)
{
    std::vector<GSClassSymbol*> byIndex;
    if (!ClassesByReference(context, &byIndex)) {
        ReportNumbering(log, "class");
        return false;
    }
    const size_t start = BeginRecord(out, GSImage::SECTION_CLASS_REFERENCES);
    out->WriteU32(static_cast<uint32_t>(byIndex.size()));
    for (GSClassSymbol* cls : byIndex) {
        if (cls->library == nullptr)
            return false;
        out->WriteU32(static_cast<uint32_t>(cls->library->index));
        if (!WriteString(context, out, cls->name))
            return false;
    }
    EndRecord(out, start);
    return true;
}

bool WriteFunctionReferences(GSSymbolTable* context, GSCompileLog* log, Utils::ByteBuffer* out)
{
    std::vector<GSClassSymbol*> classes;
    if (!ClassesByReference(context, &classes)) {
        ReportNumbering(log, "class");
        return false;
    }
    std::vector<GSFunctionSymbol*> byIndex;
    if (!FunctionsByReference(context, &byIndex)) {
        ReportNumbering(log, "function");
        return false;
    }
    const size_t start = BeginRecord(out, GSImage::SECTION_FUNCTION_REFERENCES);
    out->WriteU32(static_cast<uint32_t>(byIndex.size()));
    for (GSFunctionSymbol* function : byIndex) {
        out->WriteU32(static_cast<uint32_t>(function->owner->referenceIndex));
        if (!WriteString(context, out, function->signature))
            return false;
        if (!WriteMethodSlot(log, function, out))
            return false;
    }
    EndRecord(out, start);
    return true;
}

}  // namespace GSCompiler
