// Fresh temporary file names in a given folder: "temp-" + 8 random letters
// or digits + a process-wide counter + ".tmp".
#pragma once

#include "zel/file.h"

// Makes the folder when missing and picks a name nothing has there yet;
// false after 100 taken names. The caller still creates the file exclusively:
// a name free now may be taken before it is used.
bool TemporaryFilePathIn(const Zel::File::Path& folder, Zel::File::Path& out);
