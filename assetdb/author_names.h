// AuthorNameCache: asset authors' user ids turned into names, asked of the daemon once per id.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "zel/pstring.h"

class AuthorNameCache {
public:
    // Asks the daemon for one user id (GetAuthorName): true when the request
    // succeeded, with the daemon id (-1 when it knows none) and the name.
    using Lookup = std::function<bool(int32_t userId, int32_t& daemonId, Zel::PString& name)>;

    // The process-wide cache asks the daemon; tests give their own lookup.
    explicit AuthorNameCache(Lookup lookup);
    static AuthorNameCache& Instance();

    // Always true. Fixed ids give their fixed name and daemon id -1 without a
    // request; others come from the cache, else from the lookup (the name
    // lower-cased, remembered when there is something to remember).
    bool GetName(int32_t userId, int32_t& daemonId, Zel::PString& name);
    // Refuses (false) a daemon id of -1 with an empty name. Any entry mapped
    // under the same user id, daemon id or name loses that mapping.
    bool Add(int32_t daemonId, const Zel::PString& name, int32_t userId);
    // Empties the three maps.
    void Clear();

    // The maker's name, given to ids the daemon is never asked about.
    static const char* MakerName() { return "Quelm"; }

private:
    struct Entry {
        Zel::PString name;
        int32_t daemonId;
        int32_t userId;
    };

    // Fixed answers; false for ids the daemon must be asked about.
    static bool FixedName(int32_t userId, Zel::PString& name);

    Lookup lookup_;
    // Entries stay in place so the maps can point at them.
    std::vector<std::unique_ptr<Entry>> entries_;
    std::map<int32_t, const Entry*> byUserId_;
    std::map<int32_t, const Entry*> byDaemonId_;
    std::map<Zel::PString, const Entry*> byName_;
};

// The author's name through the process-wide cache; true when not empty.
bool LookupAuthorName(int32_t userId, Zel::PString& name);

class KUID;

// The author of an asset: its info record's author id (GetAssetInfo, every
// field) through the process-wide cache; empty when the daemon knows none.
Zel::PString GetAssetAuthorName(const KUID& id);
