// The twenty field types of template data tags: their codes and "type" names.
#pragma once

#include <cstdint>

#include "zel/pstring.h"

namespace DODLib {

enum FieldType : int32_t {
    FieldFloat = 0,
    FieldString = 1,
    FieldInt = 3,
    FieldBool = 4,
    FieldVector2 = 5,
    FieldVector3 = 6,  // also "rgb"
    FieldVector4 = 7,
    FieldVector5 = 8,
    FieldFloatList = 9,
    FieldCombobox = 10,
    FieldIntCombobox = 11,
    FieldListbox = 12,
    FieldDoubleString = 13,
    FieldKUID = 14,
    FieldFilePath = 15,
    FieldFilePathEdit = 16,
    FieldStringKUID = 17,
    FieldKUIDBrowser = 18,
    FieldStringKUIDBrowser = 19,
    FieldUntyped = 20,
};

// The code of a "type" value (exact spelling); FieldUntyped for any other.
FieldType FieldTypeFromName(const Zel::PString& name);
// True when the name is one of the type names above.
bool IsKnownFieldTypeName(const Zel::PString& name);

}  // namespace DODLib
