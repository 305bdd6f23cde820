// GSClass: construction from a class record and the look-ups over bases,
// functions and instances.
#include "script/vm/gs_class.h"

#include <cstring>

#include "script/vm/gs_library.h"
#include "script/vm/gs_machine.h"
#include "script/vm/script_instance.h"
#include "script/vm/script_log.h"
#include "zel/pstring.h"

namespace GSRuntime {

namespace {

// A signature from its first "::" on: the name and argument list; empty
// without one.
std::string_view ShortSignature(std::string_view signature)
{
    const size_t at = signature.find("::");
    return at == std::string_view::npos ? std::string_view() : signature.substr(at);
}

uint32_t ShortOffset(std::string_view signature)
{
    const size_t at = signature.find("::");
    return static_cast<uint32_t>(at == std::string_view::npos ? signature.size() : at);
}

}  // namespace

GSClass::GSClass(GSLibrary* library, uint32_t index, const GSImage::LibraryImage& image,
                 const GSImage::ClassRecord& record)
    : library_(library),
      index_(index),
      record_(&record),
      name_(image.String(record.name).data()),
      nameView_(image.String(record.name)),
      flags_(record.flags),
      instanceSize_(record.instanceSize)
{
    // The reader checked every index against its table; texts in the pool
    // end with their NUL, so their data() can be handed on as C strings.
    bases_.reserve(record.bases.size());
    for (const GSImage::BaseEntry& base : record.bases) {
        GSBaseEntry entry;
        entry.classReference = base.classReference;
        entry.blockOffset = static_cast<int32_t>(base.blockOffset);
        entry.direct = base.direct != 0;
        entry.name = image.String(image.classReferences[base.classReference].name);
        bases_.push_back(entry);
    }
    functions_.resize(record.functions.size());
    for (size_t i = 0; i < record.functions.size(); ++i) {
        GSFunction& function = functions_[i];
        static_cast<GSImage::FunctionRecord&>(function) = record.functions[i];
        function.cls = this;
        function.library = library;
        const std::string_view signature = image.String(function.name);
        function.signature = signature.data();
        function.signatureLength = static_cast<uint32_t>(signature.size());
        function.shortOffset = ShortOffset(signature);
    }
    methods_.resize(record.methods.size());
    for (size_t i = 0; i < record.methods.size(); ++i) {
        methods_[i].referenceIndex = record.methods[i].functionReference;
        methods_[i].blockOffset = static_cast<int32_t>(record.methods[i].blockOffset);
    }
}

int32_t GSClass::FindFunction(std::string_view signature) const
{
    for (size_t i = 0; i < functions_.size(); ++i) {
        if (signature == functions_[i].Signature())
            return static_cast<int32_t>(i);
    }
    return -1;
}

GSClass* GSClass::FindFunctionInHierarchy(std::string_view signature, int32_t* offset, int32_t* slot, int32_t* index)
{
    int32_t found = FindFunction(signature);
    if (found >= 0) {
        *offset = 0;
        *slot = functions_[found].slot;
        *index = found;
        return this;
    }
    for (const GSBaseEntry& base : bases_) {
        if (base.cls == nullptr)
            continue;
        found = base.cls->FindFunction(signature);
        if (found >= 0) {
            *offset = base.blockOffset;
            *slot = base.cls->functions_[found].slot;
            *index = found;
            return base.cls;
        }
    }
    return nullptr;
}

bool GSClass::FindOverridden(std::string_view signature, GSFunction** function, int32_t* offset)
{
    const std::string_view wanted = ShortSignature(signature);
    if (wanted.empty())
        return false;
    for (const GSBaseEntry& base : bases_) {
        if (base.cls == nullptr)
            continue;
        for (GSFunction& candidate : base.cls->functions_) {
            if (candidate.ShortName() == wanted) {
                *function = &candidate;
                *offset = base.blockOffset;
                return true;
            }
        }
    }
    return false;
}

bool GSClass::IsA(std::string_view name) const
{
    if (name == nameView_)
        return true;
    for (const GSBaseEntry& base : bases_) {
        if (name == base.name)
            return true;
    }
    return false;
}

int32_t GSClass::BaseIndexOf(const GSClass* other) const
{
    for (size_t i = bases_.size(); i-- > 0;) {
        if (bases_[i].cls == other)
            return static_cast<int32_t>(i);
    }
    return -1;
}

Slot* GSClass::FindInstanceData(GSScriptInstance* header) const
{
    if (header == nullptr || header->cls == nullptr)
        return nullptr;
    // A game object's member data is only reachable while its native game
    // object is attached.
    if (header->owner == nullptr && IsGameObjectClass(this))
        return nullptr;
    if (header->cls == this)
        return header->Members();
    const int32_t base = header->cls->BaseIndexOf(this);
    if (base < 0)
        return nullptr;
    return header->Members() + header->cls->bases_[base].blockOffset;
}

void GSClass::LinkNative(GSFunction* function)
{
    const Zel::PString className(name_);
    const Zel::PString signature(function->Signature());
    function->native = GSMachine::Get()->FindNativeFunction(className, signature);
    if (function->native == nullptr)
        GSLog("Could not resolve native link %s", function->signature);
}

bool GSClass::Link()
{
    if (library_ == nullptr)
        return false;
    for (GSFunction& function : functions_) {
        if (function.IsNative()) {
            LinkNative(&function);
            continue;
        }
        FindOverridden(function.Signature(), &function.overridden, &function.overriddenOffset);
    }
    for (GSMethodEntry& method : methods_)
        method.reference = &library_->FunctionReference(method.referenceIndex);
    return true;
}

}  // namespace GSRuntime
