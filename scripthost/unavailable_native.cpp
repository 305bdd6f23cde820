// Natives registered before their classes are built, and the stored message boxes the OnlineAccess registration reads.
#include "scripthost/unavailable_native.h"

#include <string>
#include <string_view>

#include "script/vm/gs_machine.h"
#include "script/vm/native_function.h"
#include "scripthost/gso_online_access.h"
#include "scripthost/online_access_stores.h"

namespace {

class UnavailableNative final : public GSRuntime::GSNativeFunction {
public:
    UnavailableNative(const std::string& className, const char* signature)
        : GSNativeFunction(className.c_str(), signature),
          message_(std::string(signature) + " is not available in this program")
    {}
    bool Call(GSRuntime::GSObject* /*object*/, GSRuntime::GSStack& /*stack*/) override
    {
        if (GSRuntime::GSThread* thread = GSRuntime::CurrentThread())
            thread->ReportException(message_.c_str(), false);
        return true;
    }

private:
    std::string message_;
};

}  // namespace

std::string NativeClassOfSignature(std::string_view signature)
{
    const size_t at = signature.find('@');
    const size_t colons = signature.find("::");
    if (at == std::string_view::npos || colons == std::string_view::npos || colons < at)
        return std::string();
    return std::string(signature.substr(at + 1, colons - at - 1));
}

void RegisterUnavailableNatives(const char* const* signatures)
{
    for (; *signatures != nullptr; ++signatures)
        GSMachine::Get()->RegisterNative(new UnavailableNative(NativeClassOfSignature(*signatures), *signatures));
}

void RegisterOnlineAccessStores()
{
    LoadOfflineBoxes();
    LoadOnlineMessageCache();
}
