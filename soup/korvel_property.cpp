// Properties on result lines: the asset-id property, its counted handle and its wire record.
#include "soup/korvel_property.h"

#include "foundation/streams/t_stream.h"

void KorvelProperty::SetValueText(const char*) {}

Zel::String KorvelProperty::GetValueText() const
{
    return Zel::String();
}

void KorvelProperty::Release() {}

void KorvelPropertyAssetID::SetValueText(const char* text)
{
    id_ = KUID::Parse(text, false);
}

Zel::String KorvelPropertyAssetID::GetValueText() const
{
    char text[KUID::TextCapacity];
    const int length = id_.FormatTagString(text);
    return Zel::String(text, size_t(length));
}

PropertyHandle& PropertyHandle::operator=(PropertyHandle&& other) noexcept
{
    if (this != &other) {
        Release();
        property_ = other.property_;
        other.property_ = nullptr;
    }
    return *this;
}

PropertyHandle PropertyHandle::Acquire(KorvelProperty* property)
{
    PropertyHandle handle;
    handle.Assign(property);
    return handle;
}

PropertyHandle PropertyHandle::Adopt(KorvelProperty* property)
{
    PropertyHandle handle;
    handle.property_ = property;
    return handle;
}

void PropertyHandle::Assign(KorvelProperty* property)
{
    // Add first: assigning a handle its own property must not free it.
    if (property != nullptr)
        property->AddRef();
    Release();
    property_ = property;
}

void PropertyHandle::Release()
{
    KorvelProperty* property = property_;
    property_ = nullptr;
    if (property != nullptr)
        property->Release();
}

Zel::String PropertyHandle::GetValueText() const
{
    return property_ ? property_->GetValueText() : Zel::String();
}

Zel::PString AssetIDPropertyName()
{
    static const Zel::PString name("AssetID");
    return name;
}

void WritePropertyToBuffer(TStream& stream, const PropertyHandle& property)
{
    if (property.IsNull()) {
        stream.WriteInt32(KorvelPropertyNone);
        return;
    }
    stream.WriteInt32(property.Get()->GetPropertyType());
    stream.WriteString(Zel::String(property.Get()->GetName().c_str()));
    stream.WriteString(property.GetValueText());
}

void ReadPropertyFromBuffer(TStream& stream, PropertyHandle& property)
{
    property.Release();
    // Read as bytes, so a short stream is told apart from an error recorded
    // earlier (ReadBytes records its own).
    uint8_t word[4];
    if (stream.ReadBytes(word, 4) != 4)
        return;
    const int32_t type =
        int32_t(uint32_t(word[0]) | uint32_t(word[1]) << 8 | uint32_t(word[2]) << 16 | uint32_t(word[3]) << 24);
    if (type == KorvelPropertyNone)
        return;
    // Every other type is read whole and dropped, so the fields after it stay aligned.
    const Zel::String name = stream.ReadString();
    const Zel::String value = stream.ReadString();
    if (type != KorvelPropertyTypeAssetID)
        return;
    property =
        PropertyHandle::Adopt(new KorvelPropertyAssetID(Zel::PString(name.c_str()), KUID::Parse(value.c_str(), false)));
}
