// KADFilterElement and its six kinds: the search filter tree sent with SearchAssets, its text and wire forms.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <vector>

#include "kuid/kuid.h"
#include "zel/pstring.h"

class TStream;

// Four-character type codes, first letter most significant.
enum KADFilterTypeCode : int32_t {
    FilterTypeGroup = 0x67727570,      // "grup"
    FilterTypeString = 0x7374726e,     // "strn"
    FilterTypeBool = 0x626f6f6c,       // "bool"
    FilterTypeInt = 0x696e7465,        // "inte"
    FilterTypeTimestamp = 0x74696d65,  // "time"
    FilterTypeAssetID = 0x61737374,    // "asst"
};

// One test of a search: which property of an asset (the key) and the value.
class KADFilterElement {
public:
    virtual ~KADFilterElement() = default;
    // The key's name; "unknown" for a key index outside the kind's list.
    virtual Zel::PString GetKeyName() const = 0;
    virtual Zel::PString GetValueText() const = 0;
    virtual int32_t GetTypeCode() const = 0;
    // The body of the wire form (the type code is written by WriteFilterElement).
    virtual void Write(TStream& stream) const = 0;
    // Fills the element from a body; false when the body cannot be read.
    virtual bool Read(TStream& stream) = 0;
    // Equal when the other's key name and value text are the same interned
    // strings as this one's.
    virtual bool Equals(const KADFilterElement& other) const;
};

// Keys of the string element.
enum KADFilterStringKey : int32_t {
    FilterStringAssetName = 0,
    FilterStringCategoryList = 1,
    FilterStringEraList = 2,
    FilterStringKeywordList = 3,
    FilterStringRegionList = 4,
};

// Keys of the bool element.
enum KADFilterBoolKey : int32_t {
    FilterBoolLocal = 0,
    FilterBoolCargoHub = 1,
    FilterBoolLocationUnknown = 2,
    FilterBoolLocallyAvailable = 3,
    FilterBoolUpToDate = 4,
    FilterBoolObsolete = 5,
    FilterBoolLocallyModified = 6,
    FilterBoolValidName = 7,
    FilterBoolOpenForEdit = 8,
    FilterBoolInArchive = 9,
    FilterBoolLocallyEnabled = 10,
    FilterBoolHasMissingDependencies = 11,
    FilterBoolHasFaultyDependencies = 12,
    FilterBoolFaulty = 13,
    FilterBoolFromHueshop = 14,
    FilterBoolBuiltin = 15,
    FilterBoolListingPrivilege = 16,
    FilterBoolWarnings = 17,
    FilterBoolHasScriptSource = 18,
};

// An ordered list of owned children; the daemon decides how the group flag
// and negate combine them.
class KADFilterElementGroup : public KADFilterElement {
public:
    KADFilterElementGroup() = default;
    explicit KADFilterElementGroup(KADFilterElement* firstChild);

    Zel::PString GetKeyName() const override;
    Zel::PString GetValueText() const override;
    int32_t GetTypeCode() const override { return FilterTypeGroup; }
    void Write(TStream& stream) const override;
    bool Read(TStream& stream) override;
    bool Equals(const KADFilterElement& other) const override;

    // Takes ownership; a null element is ignored.
    void AddElement(KADFilterElement* element);
    void SetNegated(bool negate) { negate_ = negate ? 1 : 0; }
    // Wraps the element in a new negated group and appends that group.
    void AddNegatedGroup(KADFilterElement* element);

    uint8_t GroupFlag() const { return groupFlag_; }
    uint8_t Negate() const { return negate_; }
    size_t ChildCount() const { return children_.size(); }
    const KADFilterElement* Child(size_t index) const { return children_[index].get(); }

    // Groups nested deeper than this are refused when read, so a hostile tree
    // cannot exhaust the stack.
    static constexpr int MaximumDepth = 256;

private:
    uint8_t groupFlag_ = 1;
    uint8_t negate_ = 0;
    std::vector<std::unique_ptr<KADFilterElement>> children_;
};

class KADFilterElementString : public KADFilterElement {
public:
    KADFilterElementString() = default;
    // For the asset name, a value longer than one character enclosed in
    // double quotes loses them and asks for an exact match.
    KADFilterElementString(int32_t keyIndex, const Zel::PString& value);

    Zel::PString GetKeyName() const override;
    Zel::PString GetValueText() const override { return value_; }
    int32_t GetTypeCode() const override { return FilterTypeString; }
    void Write(TStream& stream) const override;
    bool Read(TStream& stream) override;

    int32_t KeyIndex() const { return keyIndex_; }
    bool ExactMatch() const { return exactMatch_ != 0; }

private:
    int32_t keyIndex_ = 0;
    Zel::PString value_;
    uint8_t exactMatch_ = 0;
};

class KADFilterElementBool : public KADFilterElement {
public:
    KADFilterElementBool() = default;
    explicit KADFilterElementBool(int32_t keyIndex) : keyIndex_(keyIndex) {}

    Zel::PString GetKeyName() const override;
    Zel::PString GetValueText() const override;
    int32_t GetTypeCode() const override { return FilterTypeBool; }
    void Write(TStream& stream) const override;
    bool Read(TStream& stream) override;

    int32_t KeyIndex() const { return keyIndex_; }

private:
    // An element read from a tree that names no key tests "locally-available".
    int32_t keyIndex_ = FilterBoolLocallyAvailable;
};

// Two bounds, each inclusive or not; the int and timestamp elements differ
// only in the bounds' width and their key names.
template <class Value>
class KADFilterElementInterval : public KADFilterElement {
public:
    // "[" or "(", the low 32 bits of both bounds as signed numbers, "]" or ")".
    Zel::PString GetValueText() const override;
    void Write(TStream& stream) const override;
    bool Read(TStream& stream) override;

    int32_t KeyIndex() const { return keyIndex_; }
    Value Lower() const { return lower_; }
    Value Upper() const { return upper_; }
    bool LowerInclusive() const { return lowerInclusive_ != 0; }
    bool UpperInclusive() const { return upperInclusive_ != 0; }

protected:
    KADFilterElementInterval(int32_t keyIndex, Value lower, Value upper, bool lowerInclusive, bool upperInclusive)
        : keyIndex_(keyIndex),
          lower_(lower),
          upper_(upper),
          lowerInclusive_(lowerInclusive ? 1 : 0),
          upperInclusive_(upperInclusive ? 1 : 0)
    {}

    int32_t keyIndex_;
    Value lower_;
    Value upper_;
    uint8_t lowerInclusive_;
    uint8_t upperInclusive_;
};

// An interval of unsigned 32-bit values: local rating, author or version.
class KADFilterElementInt : public KADFilterElementInterval<uint32_t> {
public:
    KADFilterElementInt() : KADFilterElementInterval(1, 0, 0, false, false) {}
    KADFilterElementInt(int32_t keyIndex, uint32_t lower, uint32_t upper, bool lowerInclusive, bool upperInclusive)
        : KADFilterElementInterval(keyIndex, lower, upper, lowerInclusive, upperInclusive)
    {}

    Zel::PString GetKeyName() const override;
    int32_t GetTypeCode() const override { return FilterTypeInt; }
};

// An interval of 64-bit installation or modification times.
class KADFilterElementTimestamp : public KADFilterElementInterval<int64_t> {
public:
    KADFilterElementTimestamp() : KADFilterElementInterval(0, 0, 0, false, false) {}
    KADFilterElementTimestamp(int32_t keyIndex, int64_t lower, int64_t upper, bool lowerInclusive, bool upperInclusive)
        : KADFilterElementInterval(keyIndex, lower, upper, lowerInclusive, upperInclusive)
    {}

    Zel::PString GetKeyName() const override;
    int32_t GetTypeCode() const override { return FilterTypeTimestamp; }
};

// A set of asset ids ("asset-id") or a profile map.
class KADFilterElementAssetID : public KADFilterElement {
public:
    KADFilterElementAssetID() = default;
    explicit KADFilterElementAssetID(int32_t keyIndex) : keyIndex_(keyIndex) {}

    Zel::PString GetKeyName() const override;
    Zel::PString GetValueText() const override;
    int32_t GetTypeCode() const override { return FilterTypeAssetID; }
    void Write(TStream& stream) const override;
    bool Read(TStream& stream) override;

    int32_t KeyIndex() const { return keyIndex_; }
    void Insert(const KUID& id) { ids_.insert(id); }
    const std::set<KUID>& Ids() const { return ids_; }

private:
    int32_t keyIndex_ = 0;
    std::set<KUID> ids_;
};

// The type code and body; a missing element is the int32 0 alone.
void WriteFilterElement(TStream& stream, const KADFilterElement* element);
// A new element read from the stream, or null for an unknown type code (0
// included) or a body that cannot be read. The caller owns the result.
KADFilterElement* ReadFilterElement(TStream& stream);
// An empty element of a type code; null for any other code.
KADFilterElement* CreateFilterElement(int32_t typeCode);
