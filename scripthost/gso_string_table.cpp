// GSOStringTable: the StringTable natives, the $0-$9 parameters and the scenario-text fallback.
#include "scripthost/gso_string_table.h"

#include <cstdio>
#include <string>

#include "interfacetext/interface_text_db.h"
#include "script/vm/gs_stack.h"
#include "script/vm/native_function.h"
#include "scripthost/native_class_bodies.h"
#include "scripthost/native_library_setup.h"
#include "scripthost/native_objects.h"
#include "scripthost/native_string_params.h"
#include "zel/ascii.h"

namespace {

constexpr const char* TableKey = "string-table";
// The language table's key; the same as the table's in this program.
constexpr const char* LanguageTableKey = "string-table";

}  // namespace

std::string ExpandStringTableParameters(std::string_view text, const Zel::PString (&parameters)[10])
{
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c != '$' || i + 1 >= text.size()) {
            out.push_back(c);
            ++i;
            continue;
        }
        const char next = text[i + 1];
        if (next == '$') {
            out.push_back('$');
        } else if (Zel::AsciiIsDigit(next)) {
            const Zel::PString& parameter = parameters[next - '0'];
            if (parameter.c_str() != nullptr)
                out.append(parameter.c_str());
        } else {
            out.push_back('$');
            out.push_back(next);
        }
        i += 2;
    }
    return out;
}

GSOStringTable::GSOStringTable(const PemberlynxSpecRef& spec) : spec_(spec)
{
    const SoupHandle config = spec_ ? spec_->GetConfig() : SoupHandle();
    if (std::string_view(LanguageTableKey) != TableKey)
        languageTable_ = config.GetNamedSoup(Zel::PString(LanguageTableKey));
    table_ = config.GetNamedSoup(Zel::PString(TableKey));
    for (Zel::PString& parameter : parameters_)
        parameter = Zel::PString("");
}

GSRuntime::GSClass* GSOStringTable::ScriptClass()
{
    return GetNativeScriptClass(NativeScriptClass::StringTable);
}

GSOStringTable* GSOStringTable::Make(GSRuntime::GSContext* context, const PemberlynxSpecRef& spec)
{
    return MakeNativeObject<GSOStringTable>(ScriptClass(), context, spec);
}

Zel::PString GSOStringTable::Lookup(const Zel::PString& key) const
{
    if (key.c_str() == nullptr || *key.c_str() == '\0')
        return Zel::PString("");
    const Zel::PString name = key.ToLower();
    Zel::PString text;
    if (languageTable_.HasNamedTag(name))
        text = languageTable_.GetNamedTag(name);
    else if (table_.HasNamedTag(name))
        text = table_.GetNamedTag(name);
    else
        text = InterfaceTextDB::Instance().GetScenarioString(name);
    const char* raw = text.c_str() != nullptr ? text.c_str() : "";
    return Zel::PString(ExpandStringTableParameters(raw, parameters_).c_str());
}

bool GSOStringTable::NativeGetLanguage(GSRuntime::GSStack& stack)
{
    const Zel::PString language = InterfaceTextDB::Instance().GetString(Zel::PString("$main_language"), false);
    const bool empty = language.c_str() == nullptr || *language.c_str() == '\0';
    stack.PushNewString(empty ? Zel::PString("english") : language, GetContext());
    return true;
}

bool GSOStringTable::NativeClearParams(GSRuntime::GSStack& /*stack*/)
{
    for (Zel::PString& parameter : parameters_)
        parameter = Zel::PString("");
    return true;
}

bool GSOStringTable::NativeSetParam(GSRuntime::GSStack& stack)
{
    Zel::PString text;
    GetNativePStringParam(stack, 2, true, text);
    const int32_t index = stack.CurrentFrame()->GetIntParam(1);
    if (static_cast<uint32_t>(index) > 9) {
        char message[96];
        std::snprintf(message, sizeof message, "StringTable.SetParam> index (%d) out of range (0..9)", index);
        RaiseNativeError(message);
        return true;
    }
    parameters_[index] = text.c_str() != nullptr ? text : Zel::PString("");
    return true;
}

bool GSOStringTable::NativeGetString(GSRuntime::GSStack& stack)
{
    Zel::PString key;
    GetNativePStringParam(stack, 1, true, key);
    stack.PushNewString(Lookup(key), GetContext());
    return true;
}

void RegisterStringTableNatives()
{
    static constexpr MemberNativeRow<GSOStringTable> Rows[] = {
        {"$string@StringTable::GetLanguage()", &GSOStringTable::NativeGetLanguage},
        {"$void@StringTable::ClearParams()", &GSOStringTable::NativeClearParams},
        {"$void@StringTable::SetParam(int,string)", &GSOStringTable::NativeSetParam},
        {"$string@StringTable::GetString(string)", &GSOStringTable::NativeGetString},
    };
    RegisterMemberNatives("StringTable", Rows);
}
