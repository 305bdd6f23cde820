// String arguments of natives and the script exception a native raises.
#include "scripthost/native_string_params.h"

#include <cstdio>

#include "script/vm/gs_stack.h"
#include "script/vm/gs_string.h"
#include "script/vm/gs_thread.h"
#include "script/vm/runtime_state.h"
#include "script/vm/script_instance.h"

namespace {

// The string of argument n, or null for a null or non-string argument.
const GSRuntime::GSString* StringArgument(GSRuntime::GSStack& stack, int32_t n)
{
    const GSRuntime::Slot* handle = stack.CurrentFrame()->GetHandleParam(n);
    if (handle == nullptr)
        return nullptr;
    return dynamic_cast<const GSRuntime::GSString*>(GSRuntime::GSScriptInstance::FromHandle(handle)->owner);
}

bool RaiseAtParameter(const char* format, int32_t n)
{
    char text[64];
    std::snprintf(text, sizeof text, format, n);
    return RaiseNativeError(text);
}

}  // namespace

bool RaiseNativeError(const char* text)
{
    if (GSRuntime::GSThread* thread = GSRuntime::CurrentThread())
        thread->ReportException(text, false);
    return false;
}

bool GetNativeStringParam(GSRuntime::GSStack& stack, Zel::String& out)
{
    const GSRuntime::GSString* string = StringArgument(stack, 1);
    if (string == nullptr)
        return RaiseAtParameter("null string at parameter %d", 1);
    if (string->Length() == 0)
        return RaiseAtParameter("empty string at parameter %d", 1);
    out = string->Text();
    return true;
}

bool GetNativePStringParam(GSRuntime::GSStack& stack, int32_t n, bool allowEmpty, Zel::PString& out)
{
    const GSRuntime::GSString* string = StringArgument(stack, n);
    if (string != nullptr && string->Length() > 0) {
        out = Zel::PString(string->Text().c_str());
        return true;
    }
    if (allowEmpty) {
        out = Zel::PString();
        return true;
    }
    return RaiseAtParameter(string == nullptr ? "null string at parameter %d" : "empty string at parameter %d", n);
}
