// Settings groups in the index: one binary soup per section.
#pragma once

#include <string_view>

#include "soup/soup_handle.h"
#include "zel/pstring.h"

class KADStoreConnection;

// Sections are stored as the binary soup bytes the client sends and reads,
// written again by our own writer so that what is kept is always well formed.
class KADSettingsStore {
public:
    explicit KADSettingsStore(KADStoreConnection& connection) : connection(connection) {}

    // The section's soup; a null handle when the section does not exist.
    bool LoadSection(std::string_view section, SoupHandle& soup);
    // A soup without tags removes the section.
    bool SaveSection(std::string_view section, const SoupHandle& soup);
    bool RemoveSection(std::string_view section);
    // One tag of a section as text; empty when absent.
    Zel::PString GetValue(std::string_view section, const Zel::PString& key);
    // Sets one tag as text, creating the section, in one write transaction so
    // two clients setting keys of one section at once both keep theirs.
    bool SetValue(std::string_view section, const Zel::PString& key, const Zel::PString& value);

private:
    KADStoreConnection& connection;
};
