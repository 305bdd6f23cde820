// The installation root, the user-data root and the folder tree under them.
#pragma once

#include "zel/file.h"
#include "zel/pstring.h"

// The program file's full path (not its folder: callers drop the file name).
// False when the executable's path cannot be read.
bool GetModuleFolder(Zel::File::Path& out);

// Fixes the installation root (normalised, separators made native,
// lower-cased, no trailing separator) and the user-data root "UserData"
// under it, creates that folder and checks it can be written; then moves
// folders of the old layout into it. Ends the process through FatalError
// when the root is empty or UserData cannot be written.
bool InitInstallPaths(const Zel::File::Path& installRoot);

// Creates cache, trash, cache/{bookmarks,libraries,sessions,water}, local,
// original, editing, settings under the user-data root (nothing when the
// installation root is not set), and registers the path substitutions
// "scripts" and "libraries".
void CreateUserFolders();

// Removes the path substitutions "scripts" and "libraries". Called at
// shutdown right after the built-in resource databases are released
// (ReleaseBuiltinResourceDatabases: the databases live a layer above).
void ResetResourceDatabases();

// Renames each legacy folder under the installation root into the user-data
// root; failures (a missing old folder is the normal case) are ignored.
void MoveLegacyUserFolders();

// True when a new file can be created exclusively in the user-data root,
// opened and deleted again.
bool CheckWriteAccess();

// Does nothing; the command host calls it when it ends.
void ShutdownInstallPaths();

// Empty until InitInstallPaths ran (GetDaemonExecutablePath then returns
// the empty root itself).
Zel::File::Path GetInstallRoot();
Zel::File::Path GetUserDataRoot();
Zel::File::Path GetBuiltinFolder();         // root + "builtin"
Zel::File::Path GetPluginsFolder();         // root + "bin/plugins"
Zel::File::Path GetDaemonExecutablePath();  // root + "bin" + "kaddaemon.exe"
Zel::File::Path GetAssetDatabasePath();     // user-data root + "assets.tdx"
Zel::File::Path GetCacheFolder();           // user-data root + "cache"

// "local", "original", "trash", "editing", "cache" and "settings" live under
// the user-data root, every other name under the installation root. Empty
// when the installation root is not set.
Zel::File::Path GetRootFolderPath(const char* folderName);

// True when the path is the user-data root or lies below it. Compared on a
// component boundary: ".../UserData2" is not inside ".../UserData".
bool IsInUserDataFolder(const Zel::File::Path& path);

// base and path normalised and lower-cased; out is path below base. False
// when path is not base or below it (a sibling sharing a name prefix too).
bool MakeRelativePath(const Zel::File::Path& base, const Zel::File::Path& path, Zel::File::Path& out);

// Splits a path into a top-level folder name and the path below it. With a
// name already given nothing changes (true). Otherwise tries the user-data
// root (name = first component below it), the builtin folder (name =
// "builtin\\" + first component), "base" and "data"; false, with both
// cleared, when none holds the path or no installation root is set.
bool GetRootFolderOfPath(Zel::PString& folderName, Zel::File::Path& path);
