// The natives of "Library": calls into the native plug-in, security tokens and the system-menu icon.
#include <string>

#include "script/vm/gs_array.h"
#include "script/vm/gs_string.h"
#include "script/vm/native_function.h"
#include "script/vm/script_log.h"
#include "scripthost/gso_asset.h"
#include "scripthost/gso_kuid.h"
#include "scripthost/gso_library.h"
#include "scripthost/gso_security_token.h"
#include "scripthost/korvel_script_context.h"
#include "scripthost/native_class_bodies.h"
#include "scripthost/native_objects.h"
#include "scripthost/native_plugin.h"
#include "scripthost/native_string_params.h"

namespace {

using GSRuntime::GetNativeObjectParam;
using GSRuntime::GSStack;

// The array's strings as a native-interface array (null elements stay null).
KNIObject* StringArray(const GSRuntime::GSArray* texts)
{
    const int32_t count = texts != nullptr && texts->HoldsReferences() ? texts->Count() : 0;
    KNIObject* array = KNIAllocArray(count);
    for (int32_t i = 0; i < count; ++i) {
        const auto* text = GSRuntime::GSString::FromHandle(texts->Elements()[i].AsHandle());
        if (text == nullptr)
            continue;
        KNIObject* element = KNIAllocString(std::string(text->Text().View()).c_str());
        KNISetArrayElement(array, i, element);
        KNIRelease(element);
    }
    return array;
}

}  // namespace

// Validate's arguments: a token, the issuer as a T, a right (empty allowed).
template <class T>
bool GSOLibrary::ValidateArguments(GSStack& stack, GSOSecurityToken** token, T** issuer, Zel::PString* right)
{
    return GetNativeObjectParam(stack.CurrentFrame(), 1, token) &&
           GetNativeObjectParam(stack.CurrentFrame(), 2, issuer) && GetNativePStringParam(stack, 3, true, *right) &&
           HasSpec(stack, true);
}

bool GSOLibrary::HasSpec(GSStack& stack, bool pushesResult) const
{
    if (spec_)
        return true;
    if (pushesResult)
        stack.PushInt(0);
    return false;
}

bool GSOLibrary::NativeLibraryCallNative(GSStack& stack)
{
    Zel::PString name;
    GSRuntime::GSArray* texts = nullptr;
    if (!GetNativePStringParam(stack, 1, false, name) || !GetNativeObjectParam(stack.CurrentFrame(), 2, &texts, true))
        return true;
    if (plugin_ == nullptr) {
        if (GSRuntime::GSLogEnabled()) {
            const std::string description = spec_ ? spec_->GetDescription().c_str() : "";
            GSRuntime::GSLog("Library.LibraryCall> unknown function '%s' was called on object '%s'", name.c_str(),
                             description.c_str());
        }
        stack.PushNewString(std::string_view(), GetContext());
        return true;
    }
    KNIObject* arguments = StringArray(texts);
    KNIObject* function = KNIAllocString(name.c_str());
    KNIObject* result = KNICallLibraryFunction(plugin_, function, arguments);
    KNIRelease(function);
    KNIRelease(arguments);
    if (KNIGetObjectClass(result) == KNIClassString)
        stack.PushNewString(std::string_view(KNIGetStringText(result)), GetContext());
    else
        stack.PushInt(0);
    KNIRelease(result);
    return true;
}

bool GSOLibrary::NativeIssueSecurityToken(GSStack& stack)
{
    GSOKUID* kuid = nullptr;
    GSRuntime::GSArray* rights = nullptr;
    if (!GetNativeObjectParam(stack.CurrentFrame(), 1, &kuid) ||
        !GetNativeObjectParam(stack.CurrentFrame(), 2, &rights) || !HasSpec(stack, true))
        return true;
    PushMadeObject(stack, GSOSecurityToken::Issue(GetContext(), kuid->Id(), this, rights),
                   GSOSecurityToken::ScriptClass());
    return true;
}

bool GSOLibrary::NativeReIssueSecurityToken(GSStack& stack)
{
    GSOSecurityToken* token = nullptr;
    GSOKUID* kuid = nullptr;
    GSRuntime::GSArray* rights = nullptr;
    if (!GetNativeObjectParam(stack.CurrentFrame(), 1, &token) ||
        !GetNativeObjectParam(stack.CurrentFrame(), 2, &kuid) ||
        !GetNativeObjectParam(stack.CurrentFrame(), 3, &rights) || !HasSpec(stack, true))
        return true;
    PushMadeObject(stack, GSOSecurityToken::ReIssue(token, this, GetKUID(), kuid->Id(), rights),
                   GSOSecurityToken::ScriptClass());
    return true;
}

bool GSOLibrary::NativeMergeSecurityTokens(GSStack& stack)
{
    GSRuntime::GSArray* tokens = nullptr;
    if (!GetNativeObjectParam(stack.CurrentFrame(), 1, &tokens) || !HasSpec(stack, true))
        return true;
    PushMadeObject(stack, GSOSecurityToken::Merge(GetContext(), tokens), GSOSecurityToken::ScriptClass());
    return true;
}

bool GSOLibrary::NativeValidateByLibrary(GSStack& stack)
{
    GSOSecurityToken* token = nullptr;
    GSOLibrary* issuer = nullptr;
    Zel::PString right;
    if (ValidateArguments(stack, &token, &issuer, &right))
        stack.PushInt(GSOSecurityToken::HasRight(issuer, GetKUID(), token, right.c_str()) ? 1 : 0);
    return true;
}

bool GSOLibrary::NativeValidateByKUID(GSStack& stack)
{
    GSOSecurityToken* token = nullptr;
    GSOKUID* kuid = nullptr;
    Zel::PString right;
    if (!ValidateArguments(stack, &token, &kuid, &right))
        return true;
    KorvelScriptContext* context = GetOwnerContext();
    GSOLibrary* issuer = context != nullptr ? context->GetScriptLibrary(kuid->Id()) : nullptr;
    stack.PushInt(issuer != nullptr && GSOSecurityToken::HasRight(issuer, GetKUID(), token, right.c_str()) ? 1 : 0);
    return true;
}

bool GSOLibrary::NativeAddSystemMenuIcon(GSStack& stack)
{
    GSOAsset* asset = nullptr;
    Zel::PString text;
    Zel::PString tooltip;
    if (!GetNativeObjectParam(stack.CurrentFrame(), 1, &asset) || !GetNativePStringParam(stack, 2, true, text) ||
        !GetNativePStringParam(stack, 3, true, tooltip) || !HasSpec(stack, false))
        return true;
    if (KorvelScriptContext* context = GetOwnerContext())
        context->SetSystemMenuIcon(this, asset->GetKUID(), text, tooltip);
    return true;
}

bool GSOLibrary::NativeBlinkSystemMenuIcon(GSStack& stack)
{
    if (KorvelScriptContext* context = GetOwnerContext())
        context->BlinkSystemMenuIcon(this, stack.CurrentFrame()->GetIntParam(1));
    return true;
}

bool GSOLibrary::NativeRemoveSystemMenuIcon(GSStack&)
{
    if (KorvelScriptContext* context = GetOwnerContext())
        context->SetSystemMenuIcon(this, KUID(), Zel::PString(""), Zel::PString(""));
    return true;
}

bool GSOLibrary::NativeShowSystemMenuIconMenu(GSStack& stack)
{
    if (KorvelScriptContext* context = GetOwnerContext())
        context->ShowSystemMenuIconMenu(this, stack);
    return true;
}

void RegisterLibraryNatives()
{
    static constexpr MemberNativeRow<GSOLibrary> Rows[] = {
        {"$string@Library::LibraryCallNative(string,string[],GSObject[])", &GSOLibrary::NativeLibraryCallNative},
        {"$SecurityToken@Library::IssueSecurityToken(KUID,string[])", &GSOLibrary::NativeIssueSecurityToken},
        {"$SecurityToken@Library::IssueSecurityToken(SecurityToken,KUID,string[])",
         &GSOLibrary::NativeReIssueSecurityToken},
        {"$SecurityToken@Library::MergeSecurityTokens(SecurityToken[])", &GSOLibrary::NativeMergeSecurityTokens},
        {"$bool@Library::Validate(SecurityToken,Library,string)", &GSOLibrary::NativeValidateByLibrary},
        {"$bool@Library::Validate(SecurityToken,KUID,string)", &GSOLibrary::NativeValidateByKUID},
        {"$void@Library::AddSystemMenuIcon(Asset,string,string)", &GSOLibrary::NativeAddSystemMenuIcon},
        {"$void@Library::BlinkSystemMenuIcon(int)", &GSOLibrary::NativeBlinkSystemMenuIcon},
        {"$void@Library::RemoveSystemMenuIcon()", &GSOLibrary::NativeRemoveSystemMenuIcon},
        {"$void@Library::ShowSystemMenuIconMenu(Menu)", &GSOLibrary::NativeShowSystemMenuIconMenu},
    };
    RegisterMemberNatives("Library", Rows);
}
