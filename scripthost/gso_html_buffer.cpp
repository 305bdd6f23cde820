// GSOHTMLBuffer: the HTMLBuffer natives and HTMLBufferStatic.Construct.
#include "scripthost/gso_html_buffer.h"

#include "script/vm/gs_machine.h"
#include "script/vm/gs_stack.h"
#include "script/vm/native_function.h"
#include "scripthost/native_class_bodies.h"
#include "scripthost/native_library_setup.h"
#include "scripthost/native_objects.h"
#include "scripthost/native_string_params.h"
#include "zel/string.h"

namespace {

bool Construct(GSRuntime::GSContext* context, GSRuntime::GSStack& stack)
{
    PushMadeObject(stack, MakeNativeObject<GSOHTMLBuffer>(GSOHTMLBuffer::ScriptClass(), context),
                   GSOHTMLBuffer::ScriptClass());
    return true;
}

}  // namespace

GSRuntime::GSClass* GSOHTMLBuffer::ScriptClass()
{
    return GetNativeScriptClass(NativeScriptClass::HTMLBuffer);
}

bool GSOHTMLBuffer::NativeClear(GSRuntime::GSStack& /*stack*/)
{
    Clear();
    return true;
}

bool GSOHTMLBuffer::NativeIsEmpty(GSRuntime::GSStack& stack)
{
    stack.PushInt(IsEmpty() ? 1 : 0);
    return true;
}

bool GSOHTMLBuffer::NativeAsString(GSRuntime::GSStack& stack)
{
    stack.PushNewString(GetText(), GetContext());
    return true;
}

bool GSOHTMLBuffer::NativePrint(GSRuntime::GSStack& stack)
{
    Zel::String text;
    if (GetNativeStringParam(stack, text)) {
        Append(text.c_str(), text.Length());
        MarkWritten();
    }
    return true;
}

bool GSOHTMLBuffer::NativeEscape(GSRuntime::GSStack& stack)
{
    Zel::PString text;
    if (GetNativePStringParam(stack, 1, false, text))
        AppendEscaped(text.c_str());
    return true;
}

void RegisterHTMLBufferNatives()
{
    static constexpr MemberNativeRow<GSOHTMLBuffer> Rows[] = {
        {"$void@HTMLBuffer::Clear()", &GSOHTMLBuffer::NativeClear},
        {"$bool@HTMLBuffer::IsEmpty()", &GSOHTMLBuffer::NativeIsEmpty},
        {"$string@HTMLBuffer::AsString()", &GSOHTMLBuffer::NativeAsString},
        {"$void@HTMLBuffer::Print(string)", &GSOHTMLBuffer::NativePrint},
        {"$void@HTMLBuffer::Escape(string)", &GSOHTMLBuffer::NativeEscape},
    };
    RegisterMemberNatives("HTMLBuffer", Rows);
    GSMachine::Get()->RegisterNative(
        new GSRuntime::GSCNativeFunction("HTMLBufferStatic", "$HTMLBuffer@HTMLBufferStatic::Construct()", Construct));
}
