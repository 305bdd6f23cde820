// GSString: a script string, a counted byte text.
#pragma once

#include <cstdint>
#include <string_view>

#include "script/vm/gs_array.h"
#include "zel/pstring.h"
#include "zel/string.h"

namespace GSRuntime {

class GSContext;

class GSString final : public GSObjectReference {
public:
    // Empty text in the current context.
    GSString();
    GSString(GSContext* context, const char* text);
    GSString(GSContext* context, std::string_view text);
    GSString(GSContext* context, const Zel::String& text);
    GSString(GSContext* context, const Zel::PString& text);
    // A copy of another string's text in the current context (null: empty).
    explicit GSString(const GSString* other);
    ~GSString() override;

    Slot* GetScriptInstance() const override { return const_cast<Slot*>(&head_.block); }
    GSScriptInstance* Header() { return &head_.header; }

    Zel::String& Text() { return text_; }
    const Zel::String& Text() const { return text_; }
    int32_t Length() const { return static_cast<int32_t>(text_.Length()); }

    // Characters [first, last) into destination; false (nothing changed)
    // when last is below first after the index rules.
    bool Substring(int32_t first, int32_t last, GSString* destination) const;
    // Characters [first, last) replaced by the inserted text (removed
    // without one).
    bool Splice(int32_t first, int32_t last, const GSString* inserted);

    // The string behind a handle; null for a null handle.
    static GSString* FromHandle(const Slot* handle);

private:
    void Start(GSContext* context);

    Zel::String text_;
    GSValueHead head_;
};

}  // namespace GSRuntime
