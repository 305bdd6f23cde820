// Properties on result lines: the asset-id property, its counted handle and its wire record.
#pragma once

#include <cstdint>

#include "kuid/kuid.h"
#include "zel/pstring.h"
#include "zel/reference_count.h"
#include "zel/string.h"

class TStream;

// Base of the program's typed objects.
class IdentifiableType {
public:
    virtual ~IdentifiableType() = default;
};

// Property type codes of the wire record.
enum KorvelPropertyType : int32_t {
    KorvelPropertyNone = 0,
    KorvelPropertyTypeAssetID = 8,
};

// A named value. Counting is left to the subclasses: the base cannot add a
// reference, and its release does nothing.
class KorvelProperty : public IdentifiableType {
public:
    explicit KorvelProperty(const Zel::PString& name) : name_(name) {}
    ~KorvelProperty() override = default;

    virtual void SetValueText(const char* text);
    virtual Zel::String GetValueText() const;
    virtual void AddRef() = 0;
    virtual void Release();

    const Zel::PString& GetName() const { return name_; }
    int32_t GetPropertyType() const { return propertyType_; }

private:
    Zel::PString name_;
    int32_t propertyType_ = KorvelPropertyTypeAssetID;
};

class KorvelPropertyRefCounted : public KorvelProperty {
public:
    using KorvelProperty::KorvelProperty;
};

// The one property the program makes: which asset a result line is about.
// Every one it creates is named "AssetID". Starts with one reference.
class KorvelPropertyAssetID : public KorvelPropertyRefCounted, public Zel::ReferenceCount {
public:
    KorvelPropertyAssetID(const Zel::PString& name, int32_t user, int32_t content, int32_t version)
        : KorvelPropertyRefCounted(name), id_(user, content, version)
    {}
    KorvelPropertyAssetID(const Zel::PString& name, const KUID& id) : KorvelPropertyRefCounted(name), id_(id) {}

    // KUID::Parse (lenient) of the text becomes the id.
    void SetValueText(const char* text) override;
    // KUID::ToTagString of the id.
    Zel::String GetValueText() const override;
    void AddRef() override { AddReference(); }
    void Release() override { ReleaseReference(); }

    const KUID& GetAssetID() const { return id_; }

private:
    KUID id_;
};

// A counted pointer to a property; null means no property.
class PropertyHandle {
public:
    PropertyHandle() = default;
    PropertyHandle(const PropertyHandle& other) { Assign(other); }
    PropertyHandle(PropertyHandle&& other) noexcept : property_(other.property_) { other.property_ = nullptr; }
    PropertyHandle& operator=(const PropertyHandle& other)
    {
        Assign(other);
        return *this;
    }
    PropertyHandle& operator=(PropertyHandle&& other) noexcept;
    ~PropertyHandle() { Release(); }

    // A handle that adds a reference of its own.
    static PropertyHandle Acquire(KorvelProperty* property);
    // A handle that takes over the caller's reference.
    static PropertyHandle Adopt(KorvelProperty* property);
    // Adds a reference to the other's property and releases its own.
    void Assign(const PropertyHandle& other) { Assign(other.property_); }
    void Assign(KorvelProperty* property);
    void SetNull() { Release(); }
    // Releases the property when the handle is not null; the handle becomes null.
    void Release();

    // The value text; "" for a null handle.
    Zel::String GetValueText() const;
    KorvelProperty* Get() const { return property_; }
    bool IsNull() const { return property_ == nullptr; }
    explicit operator bool() const { return property_ != nullptr; }

private:
    KorvelProperty* property_ = nullptr;
};

// The name every property of the program carries.
Zel::PString AssetIDPropertyName();

// Wire record: int32 type (0 for a null handle, and nothing follows); then
// the name and the value text, each a u32 length and the bytes (no zero).
void WritePropertyToBuffer(TStream& stream, const PropertyHandle& property);
// Releases what the handle held; reads one record. Type 8 makes an asset-id
// property from the name and the leniently parsed value; any other type is
// read whole and dropped (the handle stays null). A trailing zero byte on
// the name or value is accepted. A stream that cannot supply the type keeps
// its read error and the handle stays null.
void ReadPropertyFromBuffer(TStream& stream, PropertyHandle& property);
