// GSOSoup: the Soup natives, their lock rules and the lower-cased tag names.
#include "scripthost/gso_soup.h"

#include <string>
#include <string_view>

#include "script/vm/gs_machine.h"
#include "script/vm/gs_stack.h"
#include "script/vm/native_function.h"
#include "script/vm/script_log.h"
#include "scripthost/gso_kuid.h"
#include "scripthost/native_class_bodies.h"
#include "scripthost/native_library_setup.h"
#include "scripthost/native_objects.h"
#include "scripthost/native_string_params.h"
#include "soup/text_soup.h"

namespace {

constexpr const char* SetTagLocked = "Soup.SetNamedTag> parent soup is locked";

// Argument n as a tag name: null and empty refused, lower-cased like every
// name of a soup.
bool TagName(GSRuntime::GSStack& stack, int32_t n, Zel::PString& name)
{
    if (!GetNativePStringParam(stack, n, false, name))
        return false;
    name = name.ToLower();
    return true;
}

}  // namespace

GSRuntime::GSClass* GSOSoup::ScriptClass()
{
    return GetNativeScriptClass(NativeScriptClass::Soup);
}

GSOSoup* GSOSoup::MakeWritable(GSRuntime::GSContext* context)
{
    return MakeNativeObject<GSOSoup>(ScriptClass(), context);
}

GSOSoup* GSOSoup::MakeLocked(GSRuntime::GSContext* context, const SoupHandle& soup)
{
    return MakeNativeObject<GSOSoup>(ScriptClass(), context, soup);
}

bool GSOSoup::Writable(const char* message) const
{
    return !locked_ || RaiseNativeError(message);
}

bool GSOSoup::NativeCountTags(GSRuntime::GSStack& stack)
{
    stack.PushInt(soup_.CountTags());
    return true;
}

bool GSOSoup::NativeGetNamedTag(GSRuntime::GSStack& stack)
{
    Zel::PString name;
    if (TagName(stack, 1, name))
        stack.PushNewString(soup_.GetNamedTag(name), GetContext());
    return true;
}

bool GSOSoup::NativeGetNamedSoup(GSRuntime::GSStack& stack)
{
    Zel::PString name;
    if (TagName(stack, 1, name))
        PushMadeObject(stack, MakeLocked(GetContext(), soup_.GetNamedSoup(name)), ScriptClass());
    return true;
}

bool GSOSoup::NativeGetIndexedTagName(GSRuntime::GSStack& stack)
{
    stack.PushNewString(soup_.GetIndexedTagName(stack.CurrentFrame()->GetIntParam(1)), GetContext());
    return true;
}

bool GSOSoup::NativeGetIndexForNamedTag(GSRuntime::GSStack& stack)
{
    Zel::PString name;
    if (!TagName(stack, 1, name))
        return true;
    int32_t index = -1;
    const int32_t count = soup_.CountTags();
    for (int32_t i = 0; i < count && index < 0; ++i) {
        if (soup_.GetIndexedTagName(i) == name)
            index = i;
    }
    stack.PushInt(index);
    return true;
}

bool GSOSoup::NativeGetNamedTagAsKUID(GSRuntime::GSStack& stack)
{
    Zel::PString name;
    if (!TagName(stack, 1, name))
        return true;
    const KUID id = soup_.GetNamedTagAsKUID(name, KUID());
    if (id.IsNull())
        stack.PushInt(0);
    else
        GSOKUID::PushFor(stack, id, GetContext());
    return true;
}

bool GSOSoup::NativeGetNamedTagAsInt(GSRuntime::GSStack& stack)
{
    Zel::PString name;
    if (TagName(stack, 1, name))
        stack.PushInt(soup_.GetNamedTagAsInt(name, 0));
    return true;
}

bool GSOSoup::NativeGetNamedTagAsIntOr(GSRuntime::GSStack& stack)
{
    Zel::PString name;
    if (TagName(stack, 1, name))
        stack.PushInt(soup_.GetNamedTagAsInt(name, stack.CurrentFrame()->GetIntParam(2)));
    return true;
}

bool GSOSoup::NativeGetNamedTagAsFloat(GSRuntime::GSStack& stack)
{
    Zel::PString name;
    if (TagName(stack, 1, name))
        stack.PushFloat(soup_.GetNamedTagAsFloat(name, 0.0f));
    return true;
}

bool GSOSoup::NativeGetNamedTagAsFloatOr(GSRuntime::GSStack& stack)
{
    Zel::PString name;
    if (TagName(stack, 1, name))
        stack.PushFloat(soup_.GetNamedTagAsFloat(name, stack.CurrentFrame()->GetFloatParam(2)));
    return true;
}

bool GSOSoup::NativeSetNamedTagString(GSRuntime::GSStack& stack)
{
    Zel::PString name;
    Zel::PString text;
    if (Writable(SetTagLocked) && TagName(stack, 1, name) && GetNativePStringParam(stack, 2, true, text))
        soup_.SetNamedTag(name, text.c_str() != nullptr ? text.c_str() : "");
    return true;
}

bool GSOSoup::NativeSetNamedTagFloat(GSRuntime::GSStack& stack)
{
    Zel::PString name;
    if (Writable(SetTagLocked) && TagName(stack, 1, name))
        soup_.SetNamedTagFloat(name, stack.CurrentFrame()->GetFloatParam(2));
    return true;
}

bool GSOSoup::NativeSetNamedTagInt(GSRuntime::GSStack& stack)
{
    Zel::PString name;
    if (Writable(SetTagLocked) && TagName(stack, 1, name))
        soup_.SetNamedTagInt(name, stack.CurrentFrame()->GetIntParam(2));
    return true;
}

bool GSOSoup::NativeSetNamedTagKUID(GSRuntime::GSStack& stack)
{
    Zel::PString name;
    GSOKUID* id = nullptr;
    if (Writable("Soup.SetNamedKUID> parent soup is locked") && TagName(stack, 1, name) &&
        GSRuntime::GetNativeObjectParam(stack.CurrentFrame(), 2, &id, true)) {
        soup_.SetNamedTagKUID(name, id != nullptr ? id->Id() : KUID());
    }
    return true;
}

bool GSOSoup::NativeSetNamedSoup(GSRuntime::GSStack& stack)
{
    Zel::PString name;
    GSOSoup* child = nullptr;
    if (!Writable(SetTagLocked) || !TagName(stack, 1, name) ||
        !GSRuntime::GetNativeObjectParam(stack.CurrentFrame(), 2, &child)) {
        return true;
    }
    if (child->locked_)
        RaiseNativeError("Soup.SetNamedTag> sub-soup parameter is locked");
    else
        soup_.SetNamedSoup(name, child->soup_);
    return true;
}

bool GSOSoup::NativeRemoveNamedTag(GSRuntime::GSStack& stack)
{
    Zel::PString name;
    if (Writable("Soup.RemoveNamedTag> parent soup is locked") && TagName(stack, 1, name))
        soup_.RemoveNamedTag(name);
    return true;
}

bool GSOSoup::NativeCopy(GSRuntime::GSStack& stack)
{
    GSOSoup* source = nullptr;
    if (!Writable("Soup.Copy> parent soup is locked") ||
        !GSRuntime::GetNativeObjectParam(stack.CurrentFrame(), 1, &source)) {
        return true;
    }
    // Emptied first: a soup copied into itself ends empty.
    soup_.Clear();
    soup_.Copy(source->soup_);
    return true;
}

bool GSOSoup::NativeClear(GSRuntime::GSStack& /*stack*/)
{
    if (Writable("Soup.Clear> parent soup is locked"))
        soup_.Clear();
    return true;
}

bool GSOSoup::NativeIsLocked(GSRuntime::GSStack& stack)
{
    stack.PushInt(locked_ ? 1 : 0);
    return true;
}

bool GSOSoup::NativeAddUniqueNamedSoup(GSRuntime::GSStack& stack)
{
    GSOSoup* child = nullptr;
    if (!Writable("Soup.AddUniqueNamedSoup> parent soup is locked") ||
        !GSRuntime::GetNativeObjectParam(stack.CurrentFrame(), 1, &child)) {
        return true;
    }
    if (child->locked_)
        RaiseNativeError("Soup.AddUniqueNamedSoup> sub-soup parameter is locked");
    else
        soup_.SetNamedSoup(soup_.MakeUniqueTagName(), child->soup_);
    return true;
}

bool GSOSoup::NativeLog(GSRuntime::GSStack& /*stack*/)
{
    // The script log, where a script's own lines go.
    std::string text;
    AppendTextSoup(soup_, text);
    // The text form's byte-order mark belongs to files, not to log lines.
    const std::string_view bom = "\xEF\xBB\xBF";
    const size_t start = text.compare(0, bom.size(), bom) == 0 ? bom.size() : 0;
    GSRuntime::GSLog("%s", text.c_str() + start);
    return true;
}

void RegisterSoupNatives()
{
    static constexpr MemberNativeRow<GSOSoup> Rows[] = {
        {"$int@Soup::CountTags()", &GSOSoup::NativeCountTags},
        {"$string@Soup::GetNamedTag(string)", &GSOSoup::NativeGetNamedTag},
        {"$Soup@Soup::GetNamedSoup(string)", &GSOSoup::NativeGetNamedSoup},
        {"$string@Soup::GetIndexedTagName(int)", &GSOSoup::NativeGetIndexedTagName},
        {"$int@Soup::GetIndexForNamedTag(string)", &GSOSoup::NativeGetIndexForNamedTag},
        {"$KUID@Soup::GetNamedTagAsKUID(string)", &GSOSoup::NativeGetNamedTagAsKUID},
        {"$int@Soup::GetNamedTagAsInt(string)", &GSOSoup::NativeGetNamedTagAsInt},
        {"$int@Soup::GetNamedTagAsInt(string,int)", &GSOSoup::NativeGetNamedTagAsIntOr},
        {"$float@Soup::GetNamedTagAsFloat(string)", &GSOSoup::NativeGetNamedTagAsFloat},
        {"$float@Soup::GetNamedTagAsFloat(string,float)", &GSOSoup::NativeGetNamedTagAsFloatOr},
        {"$void@Soup::SetNamedTag(string,string)", &GSOSoup::NativeSetNamedTagString},
        {"$void@Soup::SetNamedTag(string,float)", &GSOSoup::NativeSetNamedTagFloat},
        {"$void@Soup::SetNamedTag(string,int)", &GSOSoup::NativeSetNamedTagInt},
        {"$void@Soup::SetNamedTag(string,KUID)", &GSOSoup::NativeSetNamedTagKUID},
        {"$void@Soup::SetNamedSoup(string,Soup)", &GSOSoup::NativeSetNamedSoup},
        {"$void@Soup::RemoveNamedTag(string)", &GSOSoup::NativeRemoveNamedTag},
        {"$void@Soup::Copy(Soup)", &GSOSoup::NativeCopy},
        {"$void@Soup::Clear()", &GSOSoup::NativeClear},
        {"$bool@Soup::IsLocked()", &GSOSoup::NativeIsLocked},
        {"$void@Soup::AddUniqueNamedSoup(Soup)", &GSOSoup::NativeAddUniqueNamedSoup},
        {"$void@Soup::Log()", &GSOSoup::NativeLog},
    };
    RegisterMemberNatives("Soup", Rows);
}
