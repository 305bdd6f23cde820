// Findings' texts from the interface-text database.
#include "templates/dod_messages.h"

#include "interfacetext/interface_text_db.h"
#include "zel/string.h"

namespace DODLib {

Zel::PString FindingFormat(const char* key)
{
    const Zel::String text = GetInterfaceText(key);
    return Zel::PString(text.c_str());
}

}  // namespace DODLib
