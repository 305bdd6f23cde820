// The filter tree's wire form: type codes, creating an element of a code, the equality of leaf elements.
#include "assetdb/kad_filter_element.h"

#include "foundation/streams/t_stream.h"

bool KADFilterElement::Equals(const KADFilterElement& other) const
{
    return GetKeyName() == other.GetKeyName() && GetValueText() == other.GetValueText();
}

void WriteFilterElement(TStream& stream, const KADFilterElement* element)
{
    if (element == nullptr) {
        stream.WriteInt32(0);
        return;
    }
    stream.WriteInt32(element->GetTypeCode());
    element->Write(stream);
}

KADFilterElement* CreateFilterElement(int32_t typeCode)
{
    switch (typeCode) {
    case FilterTypeAssetID:
        return new KADFilterElementAssetID();
    case FilterTypeBool:
        return new KADFilterElementBool();
    case FilterTypeGroup:
        return new KADFilterElementGroup();
    case FilterTypeInt:
        return new KADFilterElementInt();
    case FilterTypeString:
        return new KADFilterElementString();
    case FilterTypeTimestamp:
        return new KADFilterElementTimestamp();
    default:
        return nullptr;
    }
}

KADFilterElement* ReadFilterElement(TStream& stream)
{
    std::unique_ptr<KADFilterElement> element(CreateFilterElement(stream.ReadInt32(0)));
    if (!element || !element->Read(stream))
        return nullptr;
    return element.release();
}
