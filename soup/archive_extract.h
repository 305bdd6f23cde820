// Writing an archive entry's files below a destination folder, with the name tests that keep them there.
#pragma once

#include "soup/acs_raw_data.h"
#include "soup/soup_handle.h"
#include "zel/pstring.h"

// Writes the files tree below the destination (created first). Names that
// fail IsValidContentName, folders whose path below the destination fails
// IsSafeRelativePath, and files of other types are left out silently. The
// walk never stops early; outError holds the last error met, else stays as
// it was. Symbolic links below the destination are never followed: a file
// that would be written through one is not written and reports the write
// error.
void ExtractArchiveFiles(Zel::PString& outError, const SoupHandle& files, const Zel::PString& folderName,
                         const char* destination, const Zel::PString& compression);
// Writes one file: the bytes as they are (empty compression), or, for
// "LZSS", the stream after the 4-byte prefix decoded. The file is written
// beside its final name and renamed into place, so a failure leaves no
// partial file (an existing file of that name stays as it was). A final
// component that is a symbolic link is replaced, never written through.
void WriteContentFile(Zel::PString& outError, const RawDataRef& block, const Zel::PString& folderName,
                      const char* path, const Zel::PString& compression);

// Not empty, no leading blank, '.' or '~', no trailing blank, and only ASCII
// letters, digits and " $&'()+,-._~" (so no separators, no colon, no bytes
// of 0x80 and above).
bool IsValidContentName(const char* name);
// One of the 33 extensions content may hold (case ignored).
bool IsAllowedContentFileType(const char* path);
// No empty component before a separator and no component made only of dots
// before a separator, '/' and '\\' alike; a final component is not examined.
bool IsSafeRelativePath(const char* path);
