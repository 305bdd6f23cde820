// Class and function references (sections 4 and 5): every class and
// function the image names by index, listed at that index.
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
    Utils::HashTable::Iterator it;
    cls->members.Begin(&it);
    for (; it.Node() != nullptr; Utils::HashTable::Next(&it)) {
        GSSymbol* member = static_cast<GSSymbol*>(it.Node());
        if (member->kind == SYM_VARIABLE && member->scopeLevel == 0 && !(member->flags & MOD_DEFINE)) {
            context->GiveReferenceIndex(ClassNamed(context, static_cast<GSVariableSymbol*>(member)->className));
        }
    }
    MethodTableList table;
    if (!CollectMethodTable(cls, cls, &table, nullptr))
        return;  // the record writer reports it
    for (uint32_t i = 0; i < table.Count(); ++i)
        context->GiveReferenceIndex(table[i].function);
}

// Every class symbol holding a class-reference index, at that index; false
// on a gap or a clash (the image would name a class it does not list).
bool ClassesByReference(GSSymbolTable* context, std::vector<GSClassSymbol*>* byIndex)
{
    const int32_t count = context->classReferenceCounter;
    byIndex->assign(count > 0 ? static_cast<size_t>(count) : 0, nullptr);
    bool ok = true;
    auto place = [&](GSSymbol* symbol) {
        if (symbol->kind != SYM_CLASS || symbol->referenceIndex < 0)
            return;
        if (symbol->referenceIndex >= count || (*byIndex)[symbol->referenceIndex] != nullptr) {
            ok = false;
            return;
        }
        (*byIndex)[symbol->referenceIndex] = static_cast<GSClassSymbol*>(symbol);
    };
    Utils::HashTable::Iterator it;
    context->globals.Begin(&it);
    for (; it.Node() != nullptr; Utils::HashTable::Next(&it)) {
        GSSymbol* symbol = static_cast<GSSymbol*>(it.Node());
        place(symbol);
        if (symbol->kind != SYM_CLASS)
            continue;
        Utils::HashTable::Iterator member;
        static_cast<GSClassSymbol*>(symbol)->members.Begin(&member);
        for (; member.Node() != nullptr; Utils::HashTable::Next(&member))
            place(static_cast<GSSymbol*>(member.Node()));
    }
    for (GSClassSymbol* cls : *byIndex)
        ok = ok && cls != nullptr;
    return ok;
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
    const int32_t count = context->functionReferenceCounter;
    std::vector<GSFunctionSymbol*> byIndex(count > 0 ? static_cast<size_t>(count) : 0, nullptr);
    for (GSClassSymbol* cls : classes) {
        Utils::HashTable::Iterator it;
        cls->members.Begin(&it);
        for (; it.Node() != nullptr; Utils::HashTable::Next(&it)) {
            GSSymbol* symbol = static_cast<GSSymbol*>(it.Node());
            if (symbol->kind != SYM_FUNCTION || symbol->referenceIndex < 0)
                continue;
            if (symbol->referenceIndex >= count || byIndex[symbol->referenceIndex] != nullptr) {
                ReportNumbering(log, "function");
                return false;
            }
            byIndex[symbol->referenceIndex] = static_cast<GSFunctionSymbol*>(symbol);
        }
    }
    const size_t start = BeginRecord(out, GSImage::SECTION_FUNCTION_REFERENCES);
    out->WriteU32(static_cast<uint32_t>(byIndex.size()));
    for (GSFunctionSymbol* function : byIndex) {
        if (function == nullptr) {
            ReportNumbering(log, "function");
            return false;
        }
        const GSClassSymbol* owner = function->owner != nullptr && function->owner->kind == SYM_CLASS
                                         ? static_cast<GSClassSymbol*>(function->owner)
                                         : nullptr;
        out->WriteU32(owner != nullptr ? static_cast<uint32_t>(owner->referenceIndex) : GSImage::kNone);
        if (!WriteString(context, out, function->signature))
            return false;
        if (!WriteMethodSlot(log, function, out))
            return false;
    }
    EndRecord(out, start);
    return true;
}

}  // namespace GSCompiler
