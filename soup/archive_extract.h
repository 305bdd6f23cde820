// Writing an archive entry's files below a destination folder, with the name tests that keep them there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "soup/acs_raw_data.h"
#include "soup/soup_handle.h"
#include "zel/pstring.h"

// The longest name an archive carries: the binary form counts a name and
// its zero byte in one byte, and its writer leaves longer names out.
constexpr size_t kLongestArchiveName = 254;

// A file or folder of an archive's files tree that extraction left out, or
// a file it wrote other than the archive holds it (`installed`).
struct SkippedContentEntry {
    std::string path;    // below the destination, '/'-separated, as the archive names it
    std::string reason;  // why (or, installed, what changed), as a user reads it
    bool installed = false;
};

// Writes the files tree below the destination (created first). Names that
// fail IsValidContentName, folders whose path below the destination fails
// IsSafeRelativePath, and files of other types are left out; each one left
// out is added to `skipped` when given (peers rely on these rules, users
// need to hear about them). The walk never stops early; outError holds the
// last error met, else stays as it was. Symbolic links below the
// destination are never followed: a file that would be written through one
// is not written and reports the write error.
void ExtractArchiveFiles(Zel::PString& outError, const SoupHandle& files, const Zel::PString& folderName,
                         const char* destination, const Zel::PString& compression,
                         std::vector<SkippedContentEntry>* skipped = nullptr);
// Writes one file: the bytes as they are (empty compression), or, for
// "LZSS", the stream after the 4-byte prefix decoded; the prefix is the
// file's declared length, and a stream that decodes to more fails before
// the excess is written. The file is written beside its final name under a
// staging name of fixed length (so a name as long as the file system
// allows still fits) and renamed into place, so a failure leaves no partial
// file (an existing file of that name stays as it was). A final component
// that is a symbolic link is replaced, never written through. A write the
// file system refuses (a full disk) says why, never that the package is
// damaged. A stored stream longer than its declared length (earlier exports
// of files that do not compress added stray bytes after it) gives the
// declared length and says so in `note`; extraction adds that as an
// installed entry to `skipped`.
void WriteContentFile(Zel::PString& outError, const RawDataRef& block, const Zel::PString& folderName, const char* path,
                      const Zel::PString& compression, std::string* note = nullptr);
// The bytes extraction would write for the tree: the declared length of
// every file it keeps (the prefix of an "LZSS" payload, the block size of a
// stored one). A free-space check before writing compares against this.
uint64_t DeclaredContentBytes(const SoupHandle& files, const Zel::PString& compression);

// Not empty, no leading blank, '.' or '~', no trailing blank, and only ASCII
// letters, digits and " $&'()+,-._~" (so no separators, no colon, no bytes
// of 0x80 and above).
bool IsValidContentName(const char* name);
// One of the 33 extensions content may hold (case ignored).
bool IsAllowedContentFileType(const char* path);
// Why extraction leaves out a folder, or a file, of this name; empty when
// it is kept.
std::string ContentFolderSkipReason(const char* name);
std::string ContentFileSkipReason(const char* name);
// The path as a result line may show it: control characters (a name may
// hold any byte but '/') become \xNN, so a name cannot play tricks on a
// terminal.
std::string PrintableContentPath(const std::string& path);
// The warning line about an entry an extraction left out:
// "<path>" was not installed: <reason>. For an installed one: "<path>" <reason>.
std::string SkippedContentLine(const SkippedContentEntry& entry);
// No empty component before a separator and no component made only of dots
// before a separator, '/' and '\\' alike; a final component is not examined.
bool IsSafeRelativePath(const char* path);
