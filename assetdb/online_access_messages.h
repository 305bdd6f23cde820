// The messages of the online-access service: a user message, its versioned form and a group message, with their wire forms.
#pragma once

#include <cstdint>
#include <string>

#include "foundation/streams/t_stream.h"
#include "kuid/kuid.h"
#include "soup/soup_handle.h"
#include "zel/pstring.h"

// Wire form: asset id (KUID stream form), text (counted string), soup (binary form).
class OnlineAccessMessage {
public:
    virtual ~OnlineAccessMessage() = default;
    virtual void Write(TStream& stream) const;
    // False when the stream ran short or held no soup: the message is then unusable.
    virtual bool Read(TStream& stream);

    KUID assetId;
    std::string text;
    SoupHandle soup;
};

// The message's form, then version (int32) and the flag as one byte.
class OnlineAccessVersionedMessage : public OnlineAccessMessage {
public:
    void Write(TStream& stream) const override;
    bool Read(TStream& stream) override;

    std::int32_t version = 0;
    std::int32_t flag = 0;
};

// Wire form: sender asset id, text, cookie (interned string form), soup.
struct OnlineGroupMessage {
    void Write(TStream& stream) const;
    bool Read(TStream& stream);

    Zel::PString cookie;
    std::string text;
    SoupHandle soup;
    KUID sender;
};

// Any message in the versioned form; a plain one gets version 0 and flag 0.
void WriteVersionedForm(const OnlineAccessMessage& message, TStream& stream);
