// GSOHTMLBuffer: an HTMLBuffer as a script object of class HTMLBuffer.
#pragma once

#include "script/vm/gs_object.h"
#include "scripthost/html_buffer.h"

namespace GSRuntime {
class GSClass;
class GSStack;
}  // namespace GSRuntime

class GSOHTMLBuffer : public GSRuntime::GSObject, public HTMLBuffer {
public:
    static GSRuntime::GSClass* ScriptClass();

    bool NativeClear(GSRuntime::GSStack& stack);
    bool NativeIsEmpty(GSRuntime::GSStack& stack);
    bool NativeAsString(GSRuntime::GSStack& stack);
    bool NativePrint(GSRuntime::GSStack& stack);
    bool NativeEscape(GSRuntime::GSStack& stack);
};
