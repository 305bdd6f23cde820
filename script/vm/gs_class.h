// GSClass: a loaded script class with its bases, functions, method table and
// instance layout, and the look-ups over them.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "script/common/library_image_reader.h"
#include "script/vm/gs_function.h"
#include "script/vm/slot.h"

namespace GSRuntime {

class GSContext;
class GSLibrary;
class GSObject;
struct GSScriptInstance;

enum GSClassFlag : uint32_t {
    kClassStatic = 0x4,
    kClassFinal = 0x8,
    kClassGame = 0x40,
    kClassSecured = 0x100,
};

// One base-list entry: direct bases are followed by the bases they bring.
struct GSBaseEntry {
    uint32_t classReference = 0;
    int32_t blockOffset = 0;  // slots from the instance's first member block
    bool direct = false;
    std::string_view name;   // the class name the entry refers to
    GSClass* cls = nullptr;  // resolved when the library is linked
};

class GSClass {
public:
    GSClass(GSLibrary* library, uint32_t index, const GSImage::LibraryImage& image, const GSImage::ClassRecord& record);
    GSClass(const GSClass&) = delete;
    GSClass& operator=(const GSClass&) = delete;

    GSLibrary* Library() const { return library_; }
    const char* Name() const { return name_; }
    uint32_t Flags() const { return flags_; }
    bool IsStatic() const { return (flags_ & kClassStatic) != 0; }
    bool IsSecured() const { return (flags_ & kClassSecured) != 0; }
    uint32_t Index() const { return index_; }

    const std::vector<GSBaseEntry>& Bases() const { return bases_; }
    std::vector<GSBaseEntry>& Bases() { return bases_; }
    uint32_t FunctionCount() const { return static_cast<uint32_t>(functions_.size()); }
    GSFunction& Function(uint32_t i) { return functions_[i]; }
    const GSFunction& Function(uint32_t i) const { return functions_[i]; }
    // The class initializer: always the last function of the table.
    const GSFunction& Initializer() const { return functions_.back(); }
    uint32_t MethodCount() const { return static_cast<uint32_t>(methods_.size()); }
    GSMethodEntry* Methods() { return methods_.data(); }
    const GSMethodEntry& Method(uint32_t i) const { return methods_[i]; }
    uint32_t InstanceSize() const { return instanceSize_; }
    const std::vector<GSImage::MemberEntry>& Members() const { return record_->members; }
    const std::vector<GSImage::LayoutEntry>& Layout() const { return record_->layout; }
    const GSImage::WordView& ReferenceSlots() const { return record_->referenceSlots; }

    // Index of the first function whose signature is exactly `signature`, or -1.
    int32_t FindFunction(std::string_view signature) const;
    // This class first (offset 0), then each base-list entry in order: the
    // class where `signature` was found, with the member-block offset of that
    // class here, the function's slot and its index; null when none has it.
    GSClass* FindFunctionInHierarchy(std::string_view signature, int32_t* offset, int32_t* slot, int32_t* index);
    // The first function of the bases (base list, then each table in order)
    // whose name from its first "::" on equals `signature`'s, and the base's
    // member-block offset. Return types play no part.
    bool FindOverridden(std::string_view signature, GSFunction** function, int32_t* offset);
    // This class's name or the name of any base-list entry, byte-wise.
    bool IsA(std::string_view name) const;
    // The index of `other` in the base list, searching from the last entry
    // to the first; -1 when it is not a base.
    int32_t BaseIndexOf(const GSClass* other) const;
    // The first slot of this class's member block inside `header`'s instance,
    // or null (see the definition for the cases).
    Slot* FindInstanceData(GSScriptInstance* header) const;

    // Binds natives and overridden functions and points each method-table
    // slot at its function reference. False only without a library.
    bool Link();

    // Instance operations (instance_lifecycle.cpp).
    bool CreateScriptInstance(GSObject* object, GSContext* context);
    bool ReleaseMemberReferences(GSScriptInstance* header);
    bool DestroyInstance(GSScriptInstance* header);

private:
    // Looks the native up by (class name, signature); an unbound native is
    // logged and fails only when it is called.
    void LinkNative(GSFunction* function);

    GSLibrary* library_;
    uint32_t index_;
    const GSImage::ClassRecord* record_;
    const char* name_;
    std::string_view nameView_;
    uint32_t flags_;
    uint32_t instanceSize_;
    std::vector<GSBaseEntry> bases_;
    std::vector<GSFunction> functions_;
    std::vector<GSMethodEntry> methods_;
};

// Whether a class is, or derives from, the core class "GameObject".
inline bool IsGameObjectClass(const GSClass* cls)
{
    return cls != nullptr && cls->IsA("GameObject");
}

}  // namespace GSRuntime
