// The seven built-in resource databases that start-up opens and shutdown releases.
#pragma once

// Opens "data" under the installation root and "local", "original", "trash",
// "editing", "cache", "settings" under the user-data root, and keeps them
// open until ReleaseBuiltinResourceDatabases. Nothing when the installation
// root is not set. A second call while they are open does nothing.
void OpenBuiltinResourceDatabases();
// Gives back the uses taken by OpenBuiltinResourceDatabases and forgets the
// databases; the next purge closes those nobody else holds.
void ReleaseBuiltinResourceDatabases();
