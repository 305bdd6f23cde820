// One listing of an asset's script folder per check, and the reading of the sources it found.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The names of the regular files (or links to them) in a folder on disk, in
// the order Zel::File::Find lists them. The directory tells each entry's
// kind; only an entry it cannot tell is looked at on its own. False when
// the folder cannot be read.
bool ListFolderFiles(const std::string& folder, std::vector<std::string>& names);

// The checksum of a source's text as the compiler takes it (a protected
// ".gse" unprotected). A plain source at a path the listing found is read
// straight from there: opened, measured and read once. False when it
// cannot be read.
bool ScriptTextChecksum(const std::string& path, uint32_t& checksum);
