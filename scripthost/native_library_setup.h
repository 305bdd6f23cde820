// SetUpNativeLibraries: the compiled API libraries registered, every native class's natives, and their script classes.
#pragma once

#include <cstddef>
#include <string>

namespace GSRuntime {
class GSClass;
}

// The script classes native objects are made of, in look-up order.
enum class NativeScriptClass : std::size_t {
    GameObject,
    KUID,
    Soup,
    HTMLBuffer,
    KUIDList,
    StringTable,
    Asset,
    OnlineAccess,
    OnlineGroup,
    Image,
    Library,
    SecurityToken,
    Constructors,
    Count,
};

// The library file and class name of a row ("gs.gsl" / "GameObject", ...).
const char* NativeScriptClassLibrary(NativeScriptClass row);
const char* NativeScriptClassName(NativeScriptClass row);
// The class found for the row; null until the set-up looked it up.
GSRuntime::GSClass* GetNativeScriptClass(NativeScriptClass row);

// Once per process: registers the "libraries" store's compiled libraries,
// needs "GameObject" of "gs.gsl" (else nothing is registered: false), then
// registers the natives of every native class and looks up the script
// classes from "kuid.gsl" on, stopping at the first that is missing
// (false). Later calls return true at once, whatever the first gave.
bool SetUpNativeLibraries();
// Why the set-up failed, empty when it did not (or has not run).
const std::string& NativeLibrarySetUpFault();

// Sets out to the class of that name in the library file (loaded and
// linked on first use); false, with out null, when either is missing.
bool LookupScriptClass(GSRuntime::GSClass** out, const char* libraryFile, const char* className);

// The signatures each native class registers, "$result@Class::Name(args)",
// in registration order; a null entry ends each class's list. Tests read
// them to check the API libraries declare every one.
struct NativeClassRegistration {
    const char* className;
    const char* const* signatures;
};
const NativeClassRegistration* NativeClassRegistrations(std::size_t* count);

// Registers every native of every native class with the machine; the set-up
// calls it once.
void RegisterNativeClasses();
