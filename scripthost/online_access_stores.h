// The message boxes the OnlineAccess class keeps between runs, and keeping a file it cannot read aside.
#pragma once

#include <cstdint>
#include <string>

#include "soup/soup_handle.h"

struct OnlineAccessStores {
    SoupHandle offlineInbox;
    SoupHandle offlineOutbox;
    // Set when the box's file held more than the box could read from it:
    // that file is kept aside before the box is first written over it.
    bool inboxFileUnread = false;
    bool outboxFileUnread = false;
};

// The process's boxes, as the OnlineAccess registration read them.
OnlineAccessStores& GetOnlineAccessStores();

// Reads "offline-inbox.tbox" and "offline-outbox.tbox" of the cache folder
// into the process's boxes. A box file is a binary soup when it starts
// "ACS$", else a text soup; reading never changes or deletes it. A missing
// file gives an empty box.
void LoadOfflineBoxes();
// Writes the box whole over its file as a binary soup, so what a script
// posts or takes lasts across runs. A file the box could not read entirely
// is first kept aside (see KeepFileAside), and is never written over when
// it cannot be. False (logged) when the box was not written.
bool SaveOfflineInbox();
bool SaveOfflineOutbox();

// A file OnlineAccess keeps in the cache folder, read whole when it holds
// at most `largest` bytes: Unreadable when it exists but was not read.
enum class StoredFile { Missing, Read, Unreadable };
StoredFile ReadStoredFile(const std::string& path, std::int64_t largest, std::string& bytes);

// Renames the file at path to "<path>.unread", or ".unread.1" and on when an
// earlier one is kept there already; the name taken in *aside (empty when
// there is no such file, which is no failure). False when it could not be
// renamed (or a hundred are kept).
bool KeepFileAside(const std::string& path, std::string* aside);
