// Field type names to codes.
#include "templates/dod_field_types.h"

#include <unordered_map>

namespace DODLib {

namespace {

const std::unordered_map<Zel::PString, FieldType>& TypeTable()
{
    static const auto* table = new std::unordered_map<Zel::PString, FieldType>{
        {Zel::PString("float"), FieldFloat},
        {Zel::PString("string"), FieldString},
        {Zel::PString("int"), FieldInt},
        {Zel::PString("bool"), FieldBool},
        {Zel::PString("vector2"), FieldVector2},
        {Zel::PString("vector3"), FieldVector3},
        {Zel::PString("rgb"), FieldVector3},
        {Zel::PString("vector4"), FieldVector4},
        {Zel::PString("vector5"), FieldVector5},
        {Zel::PString("floatlist"), FieldFloatList},
        {Zel::PString("combobox"), FieldCombobox},
        {Zel::PString("intcombobox"), FieldIntCombobox},
        {Zel::PString("listbox"), FieldListbox},
        {Zel::PString("doublestring"), FieldDoubleString},
        {Zel::PString("kuid"), FieldKUID},
        {Zel::PString("filepath"), FieldFilePath},
        {Zel::PString("filepathedit"), FieldFilePathEdit},
        {Zel::PString("stringkuid"), FieldStringKUID},
        {Zel::PString("kuidbrowser"), FieldKUIDBrowser},
        {Zel::PString("stringkuidbrowser"), FieldStringKUIDBrowser},
    };
    return *table;
}

}  // namespace

FieldType FieldTypeFromName(const Zel::PString& name)
{
    if (name.IsEmpty())
        return FieldUntyped;
    auto it = TypeTable().find(name);
    return it == TypeTable().end() ? FieldUntyped : it->second;
}

bool IsKnownFieldTypeName(const Zel::PString& name)
{
    return !name.IsEmpty() && TypeTable().count(name) != 0;
}

}  // namespace DODLib
