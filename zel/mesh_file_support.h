// Padded strings of the mesh files: text, NUL, then zero bytes up to a multiple of four.
#pragma once

#include <cstdint>
#include <string>

namespace Zel {

class File;
class MemoryFile;

namespace MeshFileSupport {

// The padding counts from the string's own start (not the file's), so a
// one-byte field before a string does not change the string's bytes. An
// empty string is four zero bytes.
bool WritePaddedString(File& file, const char* text);
// Appends the same bytes to a buffer (test writers, in-memory files).
void AppendPaddedString(std::string& out, const std::string& text);

// Reads a padded string that must end (NUL and padding) before limit and the
// end of the data. False, with the position kept, when no NUL is found there.
bool ReadPaddedString(MemoryFile& file, int64_t limit, std::string& text);

}  // namespace MeshFileSupport
}  // namespace Zel
