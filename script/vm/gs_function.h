// GSFunction: the run-time entry of one compiled function, and the function
// references that name functions across libraries.
#pragma once

#include <cstdint>
#include <string_view>

#include "script/common/library_image_reader.h"

namespace GSRuntime {

class GSClass;
class GSLibrary;
class GSNativeFunction;

// Function flags as the image stores them.
enum GSFunctionFlag : uint32_t {
    kFunctionPublic = 0x1,
    kFunctionNative = 0x2,
    kFunctionFinal = 0x8,
    kFunctionThread = 0x10,
    kFunctionConstructor = 0x20,
};

// A function record of the image as linking completes it. The texts,
// reference locals, line pairs and code point into the library's image,
// which lives as long as the library.
struct GSFunction : GSImage::FunctionRecord {
    GSClass* cls = nullptr;
    GSLibrary* library = nullptr;
    const char* signature = "";  // "$ret@Class::name(args)"
    uint32_t signatureLength = 0;
    // Where the name and argument list start ("::"), or the length when the
    // signature has none; overrides are matched on what follows.
    uint32_t shortOffset = 0;
    GSNativeFunction* native = nullptr;
    // The base function this one overrides (OP_CallInherited) and the
    // member-block offset of that base's class within this function's class.
    GSFunction* overridden = nullptr;
    int32_t overriddenOffset = 0;

    std::string_view Signature() const { return std::string_view(signature, signatureLength); }
    std::string_view ShortName() const { return Signature().substr(shortOffset); }
    bool IsNative() const { return (flags & kFunctionNative) != 0; }
    bool IsThread() const { return (flags & kFunctionThread) != 0; }
    bool ReturnsValue() const { return returnType != 0; }

    // The source line at a code position: -1 without a line table; else the
    // line of the last pair whose position is not above it (the first pair's
    // line when the position precedes every pair).
    int32_t LineOf(uint32_t position) const;
};

// Entry i of a library's function-reference table.
struct GSFunctionReference {
    GSClass* cls = nullptr;
    const char* name = "";
    int32_t slot = -1;
    GSFunction* function = nullptr;
};

// One method-table slot of a class: the implementing function (through its
// reference) and the member-block offset of the implementing class.
struct GSMethodEntry {
    GSFunctionReference* reference = nullptr;
    uint32_t referenceIndex = 0;
    int32_t blockOffset = 0;

    GSFunction* Function() const { return reference != nullptr ? reference->function : nullptr; }
};

}  // namespace GSRuntime
