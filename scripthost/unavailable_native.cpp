// Natives registered before their classes are built, and the stored message boxes the OnlineAccess registration reads.
#include "scripthost/unavailable_native.h"

#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <string_view>

#include "foundation/base/install_paths.h"
#include "platform/file_io.h"
#include "script/vm/gs_machine.h"
#include "script/vm/native_function.h"
#include "scripthost/gso_online_access.h"
#include "scripthost/online_access_stores.h"
#include "soup/soup_handle.h"

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

bool ReadFilePrefix(const std::string& path, char* bytes, std::size_t size)
{
    const int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    const ssize_t got = Platform::ReadFull(descriptor, bytes, size);
    close(descriptor);
    return got == static_cast<ssize_t>(size);
}

// A stored box by its first bytes: never by its extension, which no soup
// form knows, and never deleted when it cannot be read.
SoupHandle ReadStoredBox(const char* name)
{
    SoupHandle box;
    Zel::File::Path path = GetCacheFolder();
    path.AddPath(name);
    char magic[4] = {};
    if (!ReadFilePrefix(path.Str(), magic, sizeof magic))
        return box;
    const bool binary = std::string_view(magic, sizeof magic) == "ACS$";
    if (!box.LoadFromFile(Zel::PString(), path.c_str(), binary ? "chump" : "txt"))
        box = SoupHandle();
    return box;
}

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
    OnlineAccessStores& stores = GetOnlineAccessStores();
    stores.offlineInbox = ReadStoredBox("offline-inbox.tbox");
    stores.offlineOutbox = ReadStoredBox("offline-outbox.tbox");
    LoadOnlineMessageCache();
}
