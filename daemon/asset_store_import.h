// Taking a committed revision folder found on disk into the index (repair, rebuild).
#pragma once

#include <string>

#include "soup/kuid/kuid.h"

class KadStoreConnection;

// revisionFolder is <user data>/local/<kk>/r<revision>, holding one asset
// folder. Reads its config ("kuid" required), derives the row as an install
// does (flag I; keywords, rating and flags of an existing row are kept) and
// points the row at this revision, in one transaction; the mirror follows
// when the store runs. False with a reason when the folder holds no usable
// asset; nothing changes then.
bool KadImportRevisionFolder(KadStoreConnection& connection, const std::string& revisionFolder, KUID& id,
                             std::string& error);
