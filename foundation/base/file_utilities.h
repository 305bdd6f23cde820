// Small file-system operations over a top-level folder name and a relative path, or an absolute path.
#pragma once

#include <cstdint>

#include "zel/file.h"
#include "zel/pstring.h"

// Most operations take a top-level folder name ("local", "data", ...; null or
// "" means none) and a path relative to that folder, or, without a name, an
// absolute path. '\\' is accepted and becomes the native separator.

// The full path of (folder name, path): GetRootFolderPath(folder) with the
// path appended, or the absolute path itself. False (out empty) when the
// folder's root is unknown, or without a name when the path is not absolute.
bool BuildFolderPath(const Zel::PString& folderName, const char* path, Zel::File::Path& out);

// Creates the folder and its missing parents; true when it exists afterwards.
// False without effect for a relative path without a folder name.
bool MakeDirectory(const Zel::PString& folderName, const char* path);

// Both paths relative to the folder, or both absolute without a name (else
// false without effect). Fails when the target exists.
bool RenameFile(const Zel::PString& folderName, const char* oldPath, const char* newPath);

// True when the file or folder exists. Without a folder name a relative path
// counts as existing, without looking.
bool FileExists(const Zel::PString& folderName, const char* path);

// Removes a folder with everything in it, or a file. False for an empty path.
// Without a folder name the path must be absolute and lie inside the
// user-data root; with one it must stay inside that folder. Symbolic links
// are never followed: a link below the root on the way to the target makes
// the call fail, and a link as the target is removed itself.
bool DeleteFileOrFolder(const Zel::PString& folderName, const char* path);

// Copies a file in chunks of at most 16 MB through one buffer. True when
// both files opened and every byte was read and written (an empty source
// included).
bool CopyFile(const Zel::PString& sourceFolder, const char* sourcePath, const Zel::PString& destinationFolder,
              const char* destinationPath);
constexpr int64_t kCopyFileChunkSize = 16 * 1024 * 1024;

// A path in the user-data root, "temp-" + 8 random characters of [0-9a-z] +
// a process-wide counter + ".tmp", that does not exist yet. Creates the
// user-data root first. After 100 taken candidates logs and returns false.
// The folder name is accepted for callers' symmetry and not used.
bool CreateTemporaryFilePath(Zel::File::Path& out, const Zel::PString& folderName);

// The last extension of a name. With a null cursor, points the cursor just
// past the last '.' of the name (true); with a cursor from an earlier call
// (pointing into name), moves to the extension before it. Without a further
// '.' the cursor becomes "" and the result is false.
bool NextFileExtension(const char*& cursor, const char* name);

// True when the name ends in ".texture.txt", case ignored.
bool IsTextureSourceName(const char* name);

// True for "." and "..".
bool IsDotOrDotDot(const char* name);

// Letters compared without regard to case, '?' in the pattern matching any
// one character; true when the whole pattern matched, whatever follows in
// the text; false when the text ends first or a character differs.
bool WildcardPrefixMatch(const char* pattern, const char* text);
