// GSString: construction in a context and the substring and splice
// operations of the string instructions.
#include "script/vm/gs_string.h"

#include <string>

#include "script/vm/runtime_state.h"

namespace GSRuntime {

namespace {

// The index rules of strings: first below 0 counts as 0, last below 0 or
// past the end as the end.
void ClampRange(int32_t* first, int32_t* last, int32_t length)
{
    if (*first < 0)
        *first = 0;
    if (*last < 0 || *last > length)
        *last = length;
}

}  // namespace

void GSString::Start(GSContext* context)
{
    head_.block = Slot::FromInt(0);
    head_.header.Start(context, this, nullptr);
}

GSString::GSString() : GSObjectReference(KindString)
{
    Start(CurrentContext());
}

GSString::GSString(GSContext* context, const char* text) : GSObjectReference(KindString), text_(text)
{
    Start(context);
}

GSString::GSString(GSContext* context, std::string_view text) : GSObjectReference(KindString), text_(text)
{
    Start(context);
}

GSString::GSString(GSContext* context, const Zel::String& text) : GSObjectReference(KindString), text_(text)
{
    Start(context);
}

GSString::GSString(GSContext* context, const Zel::PString& text) : GSObjectReference(KindString), text_(text.View())
{
    Start(context);
}

GSString::GSString(const GSString* other)
    : GSObjectReference(KindString), text_(other != nullptr ? other->text_ : Zel::String())
{
    Start(CurrentContext());
}

GSString::~GSString()
{
    head_.header.Finish();
}

GSString* GSString::FromHandle(const Slot* handle)
{
    if (handle == nullptr)
        return nullptr;
    GSObjectReference* owner = GSScriptInstance::FromHandle(handle)->owner;
    return owner != nullptr && owner->GetKind() == KindString ? static_cast<GSString*>(owner) : nullptr;
}

bool GSString::Substring(int32_t first, int32_t last, GSString* destination) const
{
    ClampRange(&first, &last, Length());
    if (last < first)
        return false;
    if (text_.IsEmpty()) {
        destination->text_.Clear();
        return true;
    }
    // Through a copy, so a destination that is this string works too.
    const std::string part(text_.View().substr(static_cast<size_t>(first), static_cast<size_t>(last - first)));
    destination->text_.Set(part);
    return true;
}

bool GSString::Splice(int32_t first, int32_t last, const GSString* inserted)
{
    ClampRange(&first, &last, Length());
    if (last < first)
        return false;
    const std::string insert = inserted != nullptr ? std::string(inserted->text_.View()) : std::string();
    if (text_.IsEmpty()) {
        text_.Set(insert);
        return true;
    }
    const std::string_view text = text_.View();
    std::string result;
    result.reserve(text.size() - static_cast<size_t>(last - first) + insert.size());
    result.append(text.substr(0, static_cast<size_t>(first)));
    result.append(insert);
    result.append(text.substr(static_cast<size_t>(last)));
    text_.Set(result);
    return true;
}

}  // namespace GSRuntime
