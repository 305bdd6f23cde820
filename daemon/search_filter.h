// Evaluating a search filter tree against the store's rows (SearchAssets).
#pragma once

#include <vector>

#include "kuid/kuid.h"

class KADFilterElement;
class KADAssetStore;

// The ids of the rows that pass, in (user, content, version) order. A null
// filter passes every row. A group with flag 1 is an AND of its children
// (so an empty one passes everything), flag 0 an OR; negate inverts the
// group's result.
// Answered from the store's search mirror, tokenised once per search; a
// filter naming what the mirror does not hold (names, keywords, obsolete,
// up-to-date, faulty dependencies) walks the rows instead.
std::vector<KUID> KADSearchAssets(const KADAssetStore& store, const KADFilterElement* filter);
// The same answer, always from the rows (the mirror must agree with it).
std::vector<KUID> KADSearchAssetRows(const KADAssetStore& store, const KADFilterElement* filter);
