// Reply pieces shared by the asset requests: the info record, folders, handles and result lines.
#pragma once

#include <string>

#include "daemon/asset_store.h"

class TBuffer;
struct KADRequestContext;

// The 20 fields of the info record; an unknown asset (record null) gives
// found 0, status 0 with only bit 0 set and the asked id.
void KADWriteAssetInfo(TBuffer& reply, const KADAssetStore& store, const KUID& asked, const KADAssetRecord* record);
// The folder an open for reading gives: the edit copy while one exists,
// else the committed revision; the store name goes with it. False (both
// empty) when the asset has neither.
bool KADReadableFolder(const KADAssetStore& store, const KADAssetRecord& record, std::string& storeName,
                       std::string& folder);
// PStr store name; Str folder.
void KADWriteFolderReply(TBuffer& reply, const std::string& storeName, const std::string& folder);
// Sends one result line about an asset for this request (before its reply).
void KADSendAssetLine(KADRequestContext& context, int kind, const KUID& id, const std::string& text);
// The error line of a change that was not made ("failed" + why), or the
// warning of one that left a replaced folder for the next start to move to
// the trash.
void KADSendChangeLines(KADRequestContext& context, const KUID& id, const KADChangeResult& result, const char* failed);
// Changes need the index and a store that has recovered (a store that
// could not has no folders to change).
bool KADCanChangeStore(KADRequestContext& context);
// "<kuid2:u:c:v>" as the lines print ids.
std::string KADAssetText(const KUID& id);
// Whether a newer version of the same asset is installed (it is then obsolete).
bool KADHasNewerInstalledVersion(const KADAssetStore& store, const KUID& id);
