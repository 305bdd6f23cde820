// Where an asset's folders lie in the user-data tree, and the file operations that keep changes atomic.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kuid/kuid.h"

struct KADAssetRecord;

// "kuid_<user>_<content>_<version>", the per-asset folder name.
std::string KADAssetKey(const KUID& id);
// <root>/local/<kk>/r<revision>: the folder renamed into place by a commit.
std::string KADRevisionFolder(const std::string& userDataRoot, const KUID& id, std::int32_t revision);
// <root>/editing/<kk>/e<generation>.
std::string KADEditGenerationFolder(const std::string& userDataRoot, const KUID& id, std::int32_t generation);
// The committed asset folder (revision folder + leaf); empty without a revision.
std::string KADCommittedFolder(const std::string& userDataRoot, const KADAssetRecord& record);
// The edit copy's asset folder; empty without one.
std::string KADEditFolder(const std::string& userDataRoot, const KADAssetRecord& record);
// <root>/<store>/<kk>/.staging-<tag>: beside the destination, so the final
// rename never crosses a file system.
std::string KADStagingFolder(const std::string& userDataRoot, const char* store, const KUID& id,
                             const std::string& tag);
// A tag no other operation of this or an earlier run uses.
std::string KADNewOperationTag();

// "<what>: <system message>." for an error line.
std::string KADSystemError(const std::string& what, int error);

bool KADFolderExists(const std::string& path);
bool KADFileExists(const std::string& path);
std::string KADParentFolder(const std::string& path);
// Creates the folder and its missing parents. A symbolic link to a folder
// counts as one: a user may put a store folder (editing/, local/) on
// another disk that way.
bool KADMakeFolders(const std::string& path);
// Flushes a folder's entries (after a rename or a new file in it).
bool KADSyncFolder(const std::string& path);
// Flushes everything written on the file system holding the path, in one
// call: a batch of changes writes all its files first and flushes them
// together (one journal commit of the file system instead of one per file).
// False when the flush failed or a write since then was lost.
bool KADSyncFileSystem(const std::string& path);
// When the files written are flushed: each before the call returns, or
// later, by the caller, with KADSyncFileSystem.
enum class KADFlush { EachFile, Later };
// Copies regular files and folders only: symbolic links, devices and the
// like are neither followed nor copied. Every file is flushed before the
// copy counts as done (with KADFlush::Later: by the caller's flush). Hard links are never made: an edit copy must not
// share bytes with the committed revision. False with the reason (which
// file, the system's message) when anything could not be copied.
bool KADCopyTree(const std::string& source, const std::string& destination, std::string* error = nullptr,
                 KADFlush flush = KADFlush::EachFile);
// Writes a whole file and flushes it (unless the caller flushes later).
bool KADWriteFileSynced(const std::string& path, const void* bytes, std::size_t size,
                        KADFlush flush = KADFlush::EachFile);
bool KADReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes, std::uint64_t limit);
// Entry names of a folder, sorted, without "." and "..".
std::vector<std::string> KADFolderEntries(const std::string& folder);
// One entry of a folder listing and its type as the listing gave it (a
// symbolic link is neither a folder nor a file: it is never followed).
struct KADFolderEntry {
    enum class Type { Folder, File, Other };
    std::string name;
    Type type = Type::Other;
};
// Like KADFolderEntries, with each entry's type: taken from the listing
// itself where the file system gives it, so a walk over many folders costs
// no stat per entry.
std::vector<KADFolderEntry> KADTypedFolderEntries(const std::string& folder);
// Relative paths of the regular files below a folder, in name order
// (folders before their contents); symbolic links are left out.
void KADListFiles(const std::string& folder, std::vector<std::string>& relativePaths);
