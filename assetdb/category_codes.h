// Category code lists ("TR;TV;LOCO", "BD|TR", "TR;-CMP"): matching, hash tags, and the kind and legacy-code lookups.
#pragma once

#include "zel/pstring.h"
#include "zel/string.h"

class SoupHandle;

// True when the code (up to its own ";", "|" or end) equals one of the
// ";"-separated tokens of the list before the list's first "|". A code
// beginning with "-" gives the opposite. A null list, an empty code and a
// code starting with "|" give false.
bool MatchCode(const char* list, const char* code);
// True when one "|"-alternative of the expression has every code matched by
// MatchCode against the list. A null or empty expression, and an empty
// alternative, are satisfied.
bool MatchCodeList(const char* expression, const char* list);
// result = base, then "#" + each code of the list appended (";"-separated)
// unless MatchCode already finds that tag in the result.
void AppendHashTags(Zel::AnsiString& result, const char* base, const char* codeList);
// The text before the first ";" or "|".
Zel::String FirstCode(const char* codeList);

// The category list of a config kind and its sub-type list; "" when no row
// of the kind table fits.
Zel::String LookupCategoryForKind(const Zel::PString& kind, const Zel::PString& subTypeList);
// The category list of a legacy class code for a kind (letter case ignored;
// an empty kind on either side matches any kind); "" when none.
Zel::String LookupCategoryByCode(const char* kind, const char* legacyCode);

// The build an asset's config was made for: "korvel-build" + 0.005 when in
// [1, 100); else 2.0 for configs with "mesh-table", "class" or "scriptclass";
// else 1.3.
float GetConfigBuildVersion(const SoupHandle& config);
// The first non-empty of "username", "name", "asset-filename"; underscores
// become blanks for builds before 2.9; trimmed by TrimDisplayName.
Zel::String GetAssetDisplayName(const SoupHandle& config);
// Blank and line-end characters trimmed at both ends, then one opening and
// one closing quotation mark; an empty result becomes "$cm_general_untitled".
Zel::String TrimDisplayName(const char* text);
// The byte length of a quotation mark at the position (0 when none).
// remaining is the bytes left; negative when looking backwards from the
// last character (then -remaining bytes lie at and before the position).
int IsQuoteAt(const char* position, int remaining);
