// Inner helpers of the interface-text database: the chosen file and the folder it is read from.
#pragma once

#include <string>

namespace Zel {
class PString;
}

// The file of a two-letter language code (case ignored; null is English);
// null for a code that keeps the current choice.
const char* LanguageFileOf(const char* code);

// Replaces the chosen file name (the loader falls back to the ".txt" form).
void SetChosenFileName(const Zel::PString& file);

// The folder set by InterfaceTextDB::SetDataFolder; empty means the
// top-level folder "data" under the installation root.
std::string GetDataFolderOverride();
