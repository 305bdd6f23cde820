// The library image's top level: header, dependency list and string pool,
// then the class and reference sections that were written ahead into a
// scratch buffer (writing them completes the string pool).
#include "script/compiler/library_image_writer.h"

#include <cstring>
#include <vector>

#include "script/common/byte_buffer.h"
#include "script/common/library_image_format.h"
#include "script/compiler/compile_log.h"
#include "script/compiler/gsc_class.h"
#include "script/compiler/library_image_sections.h"
#include "script/compiler/library_strings.h"
#include "script/compiler/symbols.h"

namespace GSCompiler {

size_t BeginRecord(Utils::ByteBuffer* out, uint32_t id)
{
    const size_t start = out->Cursor();
    out->WriteU32(0);
    out->WriteU32(id);
    return start;
}

void EndRecord(Utils::ByteBuffer* out, size_t start)
{
    const size_t end = out->Cursor();
    out->Seek(start);
    out->WriteU32(static_cast<uint32_t>(end - start));
    out->Seek(end);
}

bool WriteString(GSSymbolTable* context, Utils::ByteBuffer* out, const char* text)
{
    if (text == nullptr)
        return false;
    const int32_t index = InternString(text, context);
    if (index < 0)
        return false;
    out->WriteU32(static_cast<uint32_t>(index));
    return true;
}

bool WriteDependencySection(GSSymbolTable* context, GSCompileLog* log, Utils::ByteBuffer* out)
{
    const int32_t count = context->dependencyCounter;
    std::vector<const GSDependentSymbol*> byIndex(count > 0 ? static_cast<size_t>(count) : 0, nullptr);
    Utils::HashTable::Iterator it;
    context->globals.Begin(&it);
    for (; it.Node() != nullptr; Utils::HashTable::Next(&it)) {
        const GSSymbol* symbol = static_cast<const GSSymbol*>(it.Node());
        if (symbol->kind != SYM_DEPENDENT)
            continue;
        if (symbol->index < 0 || symbol->index >= count || byIndex[symbol->index] != nullptr) {
            if (log)
                log->AddLine("Library image: dependency numbering is broken.");
            return false;
        }
        byIndex[symbol->index] = static_cast<const GSDependentSymbol*>(symbol);
    }
    const size_t start = BeginRecord(out, GSImage::SECTION_DEPENDENCIES);
    out->WriteU32(static_cast<uint32_t>(byIndex.size()));
    for (const GSDependentSymbol* dependent : byIndex) {
        if (dependent == nullptr) {
            if (log)
                log->AddLine("Library image: dependency numbering is broken.");
            return false;
        }
        out->WriteU32(dependent->sourceCrc);
        out->WriteU32(dependent->fileNameCrc);
    }
    EndRecord(out, start);
    return true;
}

bool WriteStringPool(GSSymbolTable* context, Utils::ByteBuffer* out)
{
    const LibraryStringPool& pool = context->libraryStrings;
    const uint32_t count = pool.Count();
    const size_t start = BeginRecord(out, GSImage::SECTION_STRINGS);
    out->WriteU32(count);
    const size_t table = out->Cursor();
    for (uint32_t i = 0; i < count; ++i)
        out->WriteU32(0);
    const size_t first = out->Cursor();
    for (const uint32_t index : pool.WriteOrder()) {
        out->PatchU32(table + 4 * index, static_cast<uint32_t>(out->Cursor() - first));
        out->WriteBytes(pool.Text(index), size_t(pool.Length(index)) + 1);
    }
    if (count != 0) {
        while (out->Cursor() % 4 != 0 && out->Flags() == 0)
            out->WriteU8(0);
    }
    EndRecord(out, start);
    return true;
}

bool WriteClassDefinitions(GSSymbolTable* context, GSCompileLog* log, Utils::ByteBuffer* out)
{
    const size_t start = BeginRecord(out, GSImage::SECTION_CLASSES);
    out->WriteU32(context->compiledClasses.Count());
    for (Utils::IDoubleLinkListNode* node = context->compiledClasses.First(); node != nullptr;
         node = context->compiledClasses.After(node)) {
        if (!WriteClassRecord(context, log, static_cast<GSCClass*>(node), out))
            return false;
    }
    EndRecord(out, start);
    return true;
}

namespace {

// Room for the class and reference sections, from what generation left: the
// buffers then grow rarely, where doubling from a small start copied and
// first-touched the whole image several times over.
uint32_t ClassSectionsEstimate(GSSymbolTable* context)
{
    size_t bytes = 4096;
    for (Utils::IDoubleLinkListNode* node = context->compiledClasses.First(); node != nullptr;
         node = context->compiledClasses.After(node)) {
        const GSCClass* cls = static_cast<const GSCClass*>(node);
        bytes += 256 + cls->initializer.code.Length() + size_t(cls->referenceMemberCount) * 4;
        for (Utils::IDoubleLinkListNode* item = cls->functions.First(); item != nullptr;
             item = cls->functions.After(item)) {
            const GSCFunction* function = static_cast<const GSCFunction*>(item);
            bytes += 64 + function->emitter.code.Length() + size_t(function->lines.Count()) * 8 +
                     size_t(function->referenceLocalCount) * 4;
        }
    }
    return bytes < (size_t(1) << 30) ? uint32_t(bytes) : uint32_t(1) << 30;
}

// The strings of the pool come on top of the sections.
constexpr uint32_t kStringPoolRoom = 64 * 1024;

}  // namespace

bool WriteLibraryImage(GSSymbolTable* context, GSCompileLog* log, const char* libraryName, Utils::ByteBuffer* out)
{
    if (context == nullptr || libraryName == nullptr || out == nullptr)
        return false;
    NumberReferences(context);

    Utils::ByteBuffer scratch;
    if (!scratch.Init(ClassSectionsEstimate(context)))
        return false;
    if (!WriteClassReferences(context, log, &scratch) || !WriteFunctionReferences(context, log, &scratch) ||
        !WriteClassDefinitions(context, log, &scratch) || scratch.Flags() != 0) {
        return false;
    }

    const size_t room = scratch.Length() + kStringPoolRoom;
    if (!out->Init(room < (size_t(1) << 30) ? uint32_t(room) : uint32_t(1) << 30))
        return false;
    out->WriteU32(0);  // total length, patched last
    out->WriteU32(GSImage::kMagic);
    out->WriteU32(GSImage::kVersionBits);
    out->WriteU32(context->mainUnit.sourceCrc);
    out->WriteU32(context->mainUnit.fileNameCrc);
    const size_t nameLength = std::strlen(libraryName) + 1;
    out->WriteU32(static_cast<uint32_t>(nameLength));
    out->WriteBytes(libraryName, nameLength);
    if (!WriteDependencySection(context, log, out) || !WriteStringPool(context, out))
        return false;
    out->WriteBytes(scratch.Data(), scratch.Length());
    out->PatchU32(0, static_cast<uint32_t>(out->Cursor()));
    return out->Flags() == 0;
}

}  // namespace GSCompiler
