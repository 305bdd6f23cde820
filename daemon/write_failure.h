// Telling a full disk from other write failures of the store, for the lines that report them.
#pragma once

class KADAssetStore;

// Called after a write of the store (the index or an asset folder) failed:
// true when the file system of the index or of the user data has (almost)
// no room left, which is the cause the user can act on.
bool KADStoreDiskIsFull(const KADAssetStore& store);
