// The author's personal details that new configs take as defaults: read at start-up, written at shutdown.
#pragma once

#include "zel/pstring.h"

namespace DODLib {

class PersonalDetails {
public:
    Zel::PString author;
    Zel::PString license;
    Zel::PString organisation;
    Zel::PString email;
    Zel::PString website;
    bool isInputBoxOn = true;

    // Reads the text soup at path; without the file the details stay as they
    // are. A file without "isinputboxon" reads it as off.
    void Read(const char* path);
    // Writes the text soup (author, organisation, email, website, license,
    // isinputboxon) through a temporary file renamed over path, so a reader,
    // or a second process writing at the same moment, never sees half a file.
    // False when it could not be written; the old file then stays.
    bool Write(const char* path) const;
};

}  // namespace DODLib
