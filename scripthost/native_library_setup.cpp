// SetUpNativeLibraries and LookupScriptClass: the one-time set-up of the script runtime for asset compiles.
#include "scripthost/native_library_setup.h"

#include "foundation/base/logging.h"
#include "script/vm/gs_library.h"
#include "script/vm/gs_machine.h"

namespace {

struct ClassRow {
    const char* library;
    const char* name;
};

constexpr ClassRow ClassRows[] = {
    {"gs.gsl", "GameObject"},
    {"kuid.gsl", "KUID"},
    {"Soup.gsl", "Soup"},
    {"HTMLBuffer.gsl", "HTMLBuffer"},
    {"KUIDList.gsl", "KUIDList"},
    {"StringTable.gsl", "StringTable"},
    {"asset.gsl", "Asset"},
    {"OnlineAccess.gsl", "OnlineAccess"},
    {"OnlineGroup.gsl", "OnlineGroup"},
    {"Image.gsl", "Image"},
    {"Library.gsl", "Library"},
    {"SecurityToken.gsl", "SecurityToken"},
    {"Constructors.gsl", "ConstructorsBase"},
};
static_assert(std::size(ClassRows) == static_cast<std::size_t>(NativeScriptClass::Count));

GSRuntime::GSClass* classes[std::size(ClassRows)] = {};
bool setUpDone = false;
std::string setUpFault;

bool Fail(const std::string& why)
{
    setUpFault = why;
    LogMessage("SetUpNativeLibraries> %s", why.c_str());
    return false;
}

}  // namespace

const char* NativeScriptClassLibrary(NativeScriptClass row)
{
    return ClassRows[static_cast<std::size_t>(row)].library;
}

const char* NativeScriptClassName(NativeScriptClass row)
{
    return ClassRows[static_cast<std::size_t>(row)].name;
}

GSRuntime::GSClass* GetNativeScriptClass(NativeScriptClass row)
{
    return classes[static_cast<std::size_t>(row)];
}

const std::string& NativeLibrarySetUpFault()
{
    return setUpFault;
}

bool LookupScriptClass(GSRuntime::GSClass** out, const char* libraryFile, const char* className)
{
    *out = nullptr;
    GSRuntime::GSLibrary* library = GSMachine::Get()->GetLibraryByName(libraryFile);
    if (library == nullptr)
        return false;
    *out = GSRuntime::GSLibrary::FindClass(library, className);
    return *out != nullptr;
}

bool SetUpNativeLibraries()
{
    if (setUpDone)
        return true;
    setUpDone = true;
    GSMachine::Get()->AddLibraryFolder("libraries");
    if (!LookupScriptClass(&classes[0], ClassRows[0].library, ClassRows[0].name))
        return Fail(std::string("no class ") + ClassRows[0].name + " in the script library " + ClassRows[0].library);
    // Natives first: linking a library binds its natives by signature.
    RegisterNativeClasses();
    for (std::size_t i = 1; i < std::size(ClassRows); ++i) {
        if (!LookupScriptClass(&classes[i], ClassRows[i].library, ClassRows[i].name))
            return Fail(std::string("no class ") + ClassRows[i].name + " in the script library " +
                        ClassRows[i].library);
    }
    setUpFault.clear();
    return true;
}
