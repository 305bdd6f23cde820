// Moving the store's folders: renames that may cross file systems, the trash, and removing trees that hold nothing.
#pragma once

#include <dirent.h>

#include <string>

#include "daemon/asset_folders.h"
#include "kuid/kuid.h"

// Renames a folder and flushes both parents. False with the reason when it
// did not move (errno is kept for the caller: EXDEV means "another file
// system"). With KADFlush::Later the caller flushes the parents (a batch
// flushes all its renames at once).
bool KADRenameFolder(const std::string& from, const std::string& to, std::string& error,
                     KADFlush flush = KADFlush::EachFile);
// Moves the folder into <root>/trash/<kk>-<unixtime>-<tag>[-n]; nothing is
// ever deleted outright. A folder on another file system than the trash is
// copied in (under a hidden name until the copy is whole and flushed) and
// only then removed from its place. True when the folder is gone from its
// place (or was not there); false with the reason otherwise.
bool KADMoveToTrash(const std::string& userDataRoot, const KUID& id, const std::string& path,
                    std::string* error = nullptr);
// Opens a real folder, never a link to one, for listing; null when it is not one.
DIR* KADOpenFolderAt(int parentFolder, const char* name);
// Removes a tree for good, never following a symbolic link (one is removed
// as a link). Only for a tree whose content lives on elsewhere (a copy
// already in place, an expired trash entry).
bool KADRemoveTreeAt(int parentFolder, const char* name);
bool KADRemoveTree(const std::string& path);
// True when the folder and its sub-folders hold nothing but folders.
bool KADTreeHoldsNoFiles(const std::string& folder);
// Removes a folder that holds nothing but empty folders; false (and nothing
// removed) when it holds anything else.
bool KADRemoveEmptyTree(const std::string& folder);
// Removes the asset's folders under local/ and editing/ when they are empty,
// as the last change of the asset leaves them.
void KADRemoveEmptyAssetFolders(const std::string& userDataRoot, const KUID& id);
