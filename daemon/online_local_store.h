// Per-asset local data of the online-access scripts: one binary soup per asset and name in the index.
#pragma once

#include <string_view>

#include "kuid/kuid.h"
#include "soup/soup_handle.h"

class KADStoreConnection;

// Keyed by the asset's user and content numbers: the version is left out so
// that an update of a library asset keeps what its older version stored, as
// the online service knows a script by those two numbers alone.
class KADOnlineLocalStore {
public:
    explicit KADOnlineLocalStore(KADStoreConnection& connection) : connection(connection) {}

    // The stored soup; a null handle when nothing is stored. False when the
    // index could not be read or held bytes that are no soup.
    bool Load(const KUID& asset, std::string_view name, SoupHandle& soup);
    // Replaces the value in one statement, so a crash keeps the old value or
    // the new one whole. A soup without tags removes the value.
    bool Save(const KUID& asset, std::string_view name, const SoupHandle& soup);

private:
    KADStoreConnection& connection;
};
