// The core "Str" natives: trimming, conversions, case, tokens, unpacking and
// search over script strings, changing string arguments in place.
#include <cstdlib>
#include <cstring>
#include <string>

#include "script/vm/core_natives.h"
#include "script/vm/gs_array.h"
#include "script/vm/gs_machine.h"
#include "script/vm/gs_string.h"
#include "script/vm/native_function.h"

namespace GSRuntime {

namespace {

// Space, tab, CR, LF and vertical tab.
constexpr const char* kSeparators = " \t\r\n\v";

GSString* StringParam(const GSStack& stack, int32_t n)
{
    return GSString::FromHandle(stack.CurrentFrame()->GetHandleParam(n));
}

// The set given by a string argument, or the default set when it is null or
// empty.
std::string SetParam(const GSStack& stack, int32_t n)
{
    const GSString* set = StringParam(stack, n);
    return set != nullptr && !set->Text().IsEmpty() ? std::string(set->Text().View()) : std::string(kSeparators);
}

bool InSet(const std::string& set, char c)
{
    return set.find(c) != std::string::npos;
}

bool TrimLeft(GSContext*, GSStack& stack)
{
    GSString* string = StringParam(stack, 1);
    if (string == nullptr || string->Text().IsEmpty())
        return true;
    const std::string set = SetParam(stack, 2);
    const std::string text(string->Text().View());
    size_t start = 0;
    while (start < text.size() && InSet(set, text[start]))
        ++start;
    string->Text().Set(std::string_view(text).substr(start));
    return true;
}

bool TrimRight(GSContext*, GSStack& stack)
{
    GSString* string = StringParam(stack, 1);
    if (string == nullptr || string->Text().IsEmpty())
        return true;
    const std::string set = SetParam(stack, 2);
    const std::string text(string->Text().View());
    size_t end = text.size();
    while (end > 0 && InSet(set, text[end - 1]))
        --end;
    string->Text().Set(std::string_view(text).substr(0, end));
    return true;
}

// A native with a result always pushes one: 0 where the argument gives none.
bool ToInt(GSContext*, GSStack& stack)
{
    const GSString* string = StringParam(stack, 1);
    stack.PushInt(string != nullptr ? std::atoi(string->Text().c_str()) : 0);
    return true;
}

bool ToFloat(GSContext*, GSStack& stack)
{
    const GSString* string = StringParam(stack, 1);
    stack.PushFloat(string != nullptr ? static_cast<float>(std::atof(string->Text().c_str())) : 0.0f);
    return true;
}

bool ToUpper(GSContext*, GSStack& stack)
{
    if (GSString* string = StringParam(stack, 1))
        string->Text().ToUpper();
    return true;
}

bool ToLower(GSContext*, GSStack& stack)
{
    if (GSString* string = StringParam(stack, 1))
        string->Text().ToLower();
    return true;
}

bool Tokens(GSContext* context, GSStack& stack)
{
    GSArray* tokens = new GSArray(context, 1);
    const GSString* string = StringParam(stack, 1);
    if (string != nullptr) {
        const std::string set = SetParam(stack, 2);
        Zel::AnsiString rest(string->Text().View());
        for (int32_t i = 0;; ++i) {
            const Zel::AnsiString token = rest.Token(set.c_str());
            if (token.IsEmpty())
                break;
            GSString* element = new GSString(context, token.View());
            tokens->SetObjectElement(i, element->GetScriptInstance(), false, nullptr);
        }
    }
    stack.Push(Slot::FromPointer(tokens->GetScriptInstance()));
    return true;
}

// Takes the first separator-delimited word off the string; the rest keeps
// the separator that ended the word. False for a null or empty string.
bool UnpackWord(GSStack& stack, std::string* word)
{
    GSString* string = StringParam(stack, 1);
    if (string == nullptr || string->Text().IsEmpty())
        return false;
    const std::string text(string->Text().View());
    size_t start = 0;
    while (start < text.size() && InSet(kSeparators, text[start]))
        ++start;
    size_t end = start;
    while (end < text.size() && !InSet(kSeparators, text[end]))
        ++end;
    *word = text.substr(start, end - start);
    string->Text().Set(std::string_view(text).substr(end));
    return true;
}

bool UnpackInt(GSContext*, GSStack& stack)
{
    std::string word;
    stack.PushInt(UnpackWord(stack, &word) ? std::atoi(word.c_str()) : 0);
    return true;
}

bool UnpackFloat(GSContext*, GSStack& stack)
{
    std::string word;
    stack.PushFloat(UnpackWord(stack, &word) ? static_cast<float>(std::atof(word.c_str())) : 0.0f);
    return true;
}

bool UnpackString(GSContext* context, GSStack& stack)
{
    std::string word;
    if (UnpackWord(stack, &word))
        stack.PushNewString(std::string_view(word), context);
    else
        stack.Push(Slot::FromInt(0));
    return true;
}

bool Find(GSContext*, GSStack& stack)
{
    const GSString* string = StringParam(stack, 1);
    const GSString* sub = StringParam(stack, 2);
    const int32_t start = stack.CurrentFrame()->GetIntParam(3);
    int32_t found = -1;
    if (string != nullptr && sub != nullptr && start >= 0 && start <= string->Length())
        found = string->Text().Find(sub->Text().c_str(), start);
    stack.PushInt(found);
    return true;
}

}  // namespace

void RegisterStrNatives(GSMachine* machine)
{
    const struct {
        const char* signature;
        GSCNativeFunction::Handler handler;
    } natives[] = {
        {"$void@Str::TrimLeft(string,string)", TrimLeft},
        {"$void@Str::TrimRight(string,string)", TrimRight},
        {"$int@Str::ToInt(string)", ToInt},
        {"$float@Str::ToFloat(string)", ToFloat},
        {"$void@Str::ToUpper(string)", ToUpper},
        {"$void@Str::ToLower(string)", ToLower},
        {"$string[]@Str::Tokens(string,string)", Tokens},
        {"$int@Str::UnpackInt(string)", UnpackInt},
        {"$float@Str::UnpackFloat(string)", UnpackFloat},
        {"$string@Str::UnpackString(string)", UnpackString},
        {"$int@Str::Find(string,string,int)", Find},
    };
    for (const auto& native : natives)
        machine->RegisterNative(new GSCNativeFunction("Str", native.signature, native.handler));
}

}  // namespace GSRuntime
