// GSOStringTable: an asset's translatable texts as a script object of class StringTable.
#pragma once

#include <string>
#include <string_view>

#include "assetdb/pemberlynx_spec.h"
#include "script/vm/gs_object.h"
#include "soup/soup_handle.h"
#include "zel/pstring.h"

namespace GSRuntime {
class GSClass;
class GSContext;
class GSStack;
}  // namespace GSRuntime

class GSOStringTable : public GSRuntime::GSObject {
public:
    static constexpr int ParameterCount = 10;

    // Over the asset's config: its "string-table" sub-soup (shared).
    explicit GSOStringTable(const PemberlynxSpecRef& spec);

    static GSRuntime::GSClass* ScriptClass();
    static GSOStringTable* Make(GSRuntime::GSContext* context, const PemberlynxSpecRef& spec);

    // The text of a key (case ignored) with its "$0".."$9" parameters put in;
    // "" for an empty key or a key found nowhere.
    Zel::PString Lookup(const Zel::PString& key) const;

    bool NativeGetLanguage(GSRuntime::GSStack& stack);
    bool NativeClearParams(GSRuntime::GSStack& stack);
    bool NativeSetParam(GSRuntime::GSStack& stack);
    bool NativeGetString(GSRuntime::GSStack& stack);

private:
    PemberlynxSpecRef spec_;
    // The language table's key is the default one, so it stays null; kept
    // so that a language of its own finds its place first.
    SoupHandle languageTable_;
    SoupHandle table_;
    Zel::PString parameters_[ParameterCount];
};

// The parameters put into a text: "$d" becomes parameter d (whose own "$"
// signs stay as they are), "$$" one "$", any other "$" stays.
std::string ExpandStringTableParameters(std::string_view text, const Zel::PString (&parameters)[10]);
