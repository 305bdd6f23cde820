// The change journal's rows in the index, and the folder steps their two phases stand for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kuid/kuid.h"

class KADStoreConnection;

// A journal row (op_journal) is in one of two phases, told apart by its destination:
// - empty: not yet recorded. `src` is a staged folder (to the trash when the
//   change is undone) and `old` holds pairs of lines "set-aside folder",
//   "its place": a folder that was set aside goes back to its place, or to
//   the trash when its place is taken (it was a copy).
// - a path, or "-" for a change that moves nothing into place: the intent.
//   `src` goes to the destination, then the folders in `old` (one a line)
//   go to the trash.

// The destination of an intent that moves nothing into place (delete, revert).
constexpr const char* KADJournalNoDestination = "-";

// A folder set aside for a change, and the place it came from.
struct KADSetAside {
    std::string folder;
    std::string place;
};

std::string KADJournalLines(const std::vector<std::string>& lines);
std::vector<std::string> KADJournalLinesOf(const std::string& text);
std::string KADJournalPlanText(const std::vector<KADSetAside>& plan);
std::vector<KADSetAside> KADJournalPlanOf(const std::string& text);

// A new row in its first phase; its id, 0 on failure.
std::int64_t KADJournalInsert(KADStoreConnection& connection, const char* kind, const KUID& id,
                              const std::string& source, const std::string& old);
// Sets the row's folders; false unless exactly that row changed.
bool KADJournalUpdate(KADStoreConnection& connection, std::int64_t journalId, const std::string& source,
                      const std::string& destination, const std::string& old);
bool KADJournalDelete(KADStoreConnection& connection, std::int64_t journalId);

// Beside the folder, so setting it aside is a rename inside one folder: it
// never crosses a file system, and it fails (read-only, gone) before the
// change is recorded instead of after.
std::string KADSetAsideName(const std::string& folder, const std::string& tag);
bool KADIsStagingFolder(const std::string& folder);
// Puts the folders set aside back, the last first (a folder copied across
// file systems is set aside after its copy, so its place is free again
// before the copy is looked at). True when nothing is left to put back.
bool KADUndoSetAside(const std::string& userDataRoot, const KUID& id, const std::vector<KADSetAside>& plan);
// Moves every folder to the trash; false with a warning for the user when
// one stays (the journal row then stays too, for the next start).
bool KADTrashAll(const std::string& userDataRoot, const KUID& id, const std::vector<std::string>& folders,
                 std::string& warning);
