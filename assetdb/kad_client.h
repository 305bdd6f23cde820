// KADClient: the utility's one connection to the asset-database daemon.
#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/containers/chunked_list.h"
#include "assetdb/kad_asset_handle.h"
#include "assetdb/kad_client_options.h"
#include "assetdb/kad_prompt_handler.h"
#include "zel/path.h"
#include "zel/pstring.h"
#include "zel/string.h"

class TBuffer;
class KADAssetInfo;
class KADFilterElement;
class ResultsLog;
class SoupHandle;
class KUID;
class KADNotification;

// The command host's answerer of type-1 questions (set while `kadcommandhost` runs).
using KADCommandHostHook = void (*)(TBuffer& question, TBuffer& answer);

// Process-wide and single: one connection, one reader thread, one set of options.
// Every operation is static; the state lives in kad_client_state.cpp.
class KADClient {
public:
    // Start-up connection: connects, and when the first attempt fails launches
    // "kaddaemon.exe" and retries every 1000 ms, 11 attempts in all.
    static bool Start(const KADClientOptions& options);
    // One connection attempt with handshake; true at once while connected.
    static bool Connect();
    static void Disconnect(bool afterFailure);
    // Program shutdown: sends the closing word, drops the queued notifications.
    static void Shutdown();

    // Before each command: when started but the link has gone (the daemon
    // closed it, ended or was killed), connects again, launching the daemon
    // as start-up does; a command then finds the daemon as a single command
    // run on its own would. Within a command no request launches it, so a
    // daemon that dies mid-command is never silently replaced by one that
    // knows nothing of the command's earlier requests. True when connected.
    static bool EnsureConnected();

    // Set by a successful Start, cleared by Shutdown (start-up's "connected" test).
    static bool IsStarted();
    // Set by the handshake, cleared when the reader thread ends.
    static bool IsConnected();
    // Counts the connections made so far: a reply under another count than
    // an earlier one came from a daemon that may know nothing of the earlier
    // requests (the link dropped and was made again).
    static uint64_t ConnectionCount();
    // Counts the requests lost with the daemon: not sent because no
    // connection could be made, or sent and left without a reply when the
    // connection failed. A command compares it before and after its work to
    // tell a daemon that stopped answering from a daemon that said no.
    static uint64_t LostRequestCount();

    static bool SendRaw(const void* bytes, int32_t count);
    static bool ReceiveRaw(void* bytes, int32_t count, bool disconnectOnFailure);

    // Sends `request` from its current position to its end under a new
    // transaction and appends the reply bytes to `reply` at its position.
    // True once the reply has arrived (even an empty one). `log` receives the
    // daemon's result lines while the request runs; with `keepResultsLog` it
    // stays registered under the transaction id after the request returns.
    static bool Request(int32_t requestCode, TBuffer& request, TBuffer& reply,
                        KADPromptHandler* promptHandler = nullptr, ResultsLog* log = nullptr,
                        bool keepResultsLog = false);

    // CloseDaemon: asks the daemon to close and waits until the connection is gone.
    static void CloseDaemon();
    // AsyncCallAnswer: the answer to an asynchronous call of the daemon.
    static bool PostAsyncCallResult(int32_t clientTransactionID, int32_t answerCode);

    // Setting groups (GetSettingsSection, SetSettingsSection, GetSetting and SetSetting).
    static bool GetSettingsSection(SoupHandle& chunk, const Zel::PString& section);
    // Consumes `soup` (it is reset to the null handle); a missing or empty soup
    // clears the section instead.
    static bool SetSettingsSection(const Zel::PString& section, SoupHandle& soup);
    static bool ClearSettingsSection(const Zel::PString& section);
    // The value, or the empty PString on failure or an empty reply.
    static Zel::PString GetSetting(const Zel::PString& section, const Zel::PString& key);
    static bool SetSetting(const Zel::PString& section, const Zel::PString& key, const Zel::PString& value);

    // Asset requests (kad_client_assets*.cpp). Each sets its outputs to its
    // defaults first, which a failed request leaves in place; none logs.
    // SearchAssets: appends the ids of the assets that pass the filter (null:
    // no filter); nothing on failure.
    static void SearchAssets(const KADFilterElement* filter, ChunkedList<KUID, 128>& list);
    // GetAssetConfig: the config soup; the null handle on failure.
    static SoupHandle GetAssetConfig(const KUID& id);
    // GetAssetInfo: the info record's found byte; false and defaults on failure.
    static bool GetAssetInfo(const KUID& id, int32_t fieldMask, KADAssetInfo& info);
    // GetAssetConfigPath: the store name and the asset's folder; empty on failure.
    // `ignoredFlag` goes out as the request's flag byte, which the daemon does not read.
    static void GetAssetConfigPath(const KUID& id, bool ignoredFlag, Zel::PString& name, Zel::File::Path& configPath);
    // ResolveAssetID and GetUpdatedAssetID: the given id on failure.
    static KUID ResolveAssetID(const KUID& id);
    static KUID GetUpdatedAssetID(const KUID& id);
    // GetAssetDescription: empty on failure.
    static Zel::String GetAssetDescription(const KUID& id);
    // GetAssetThumbnail: the result word (0 on failure).
    static uint32_t GetAssetThumbnail(const KUID& id, int32_t imageSize, Zel::PString& name, Zel::File::Path& filePath);
    // OpenAsset: an empty reference when the daemon gives no handle.
    static KADAssetHandleRef OpenAsset(const KUID& id, bool writable, ResultsLog* log);
    // RevertAsset: releases the reference it is given.
    static bool RevertAsset(KADAssetHandleRef& handle, ResultsLog* log);
    // CommitAsset: the result byte; the second byte through secondResult.
    static bool CommitAsset(KADAssetHandleRef& handle, int32_t commitFlags, ResultsLog* log, bool* secondResult);
    // OpenAssetForEdit: a writable reference; empty when the daemon gives no handle.
    // With `allocateIdForNull` the daemon gives a null id a fresh one of the local user.
    static KADAssetHandleRef OpenAssetForEdit(const KUID& id, bool allocateIdForNull, const Zel::AnsiString& name);
    // DeleteAsset. `ignoredFlag` goes out as the request's flag byte, which the daemon does not read.
    static bool DeleteAsset(const KUID& id, bool ignoredFlag, ResultsLog* log);
    // ValidateAssetFolder.
    static bool ValidateAssetFolder(const Zel::PString& name, const Zel::File::Path& folder, ResultsLog* log);
    // InstallFolder: the installed asset's id (null on failure); `replacedOut` tells whether it replaced an
    // installed revision. `ignoredOption` goes out as the request's option word, which the daemon does not read.
    static KUID InstallFolder(const Zel::File::Path& folder, int32_t ignoredOption, ResultsLog* log, bool* replacedOut,
                              KADPromptHandler* promptHandler);
    // InstallArchive: the result word (0 on failure); `skippedOut` (cleared first) tells whether an entry was
    // skipped.
    static uint32_t InstallArchive(const Zel::File::Path& archivePath, KADPromptHandler* promptHandler, int32_t mode,
                                   bool* skippedOut, ResultsLog* log);
    // SetAssetDownloadSize.
    static void SetAssetDownloadSize(const KUID& id, int32_t size);
    // GetDependencies and GetObsoletedAssets: true; the reply's ids are appended.
    static bool GetDependencies(const ChunkedList<KUID, 128>& ids, ChunkedList<KUID, 128>& out);
    static bool GetAssetDependencies(const KUID& id, ChunkedList<KUID, 128>& out);
    static bool GetObsoletedAssets(const KUID& id, ChunkedList<KUID, 128>& out);
    // SetLatestVersion: not sent when either id is null or both are equal.
    static void SetLatestVersion(const KUID& id, const KUID& latest);
    // ExportAssetChunk: a new soup holding "compression" "LZSS" before the reply
    // is read into it.
    static SoupHandle ExportAssetChunk(const KUID& id, int32_t option, ResultsLog* log);
    // SetAssetFavorite and SetAssetKeywords.
    static void SetAssetFavorite(const KUID& id, bool favorite);
    static void SetAssetKeywords(const KUID& id, const Zel::AnsiString& keywords);
    // GenerateKUID: the null id on failure; `log` receives the daemon's line
    // saying why it gave none (no id range configured, a full disk).
    static KUID GenerateKUID(ResultsLog* log = nullptr);

    // One field of GetAssetInfo each; the status tests answer true when the
    // daemon cannot be asked.
    static Zel::String GetAssetName(const KUID& id);
    static Zel::String GetAssetRegionList(const KUID& id);
    static Zel::String GetAssetKeywords(const KUID& id);
    static Zel::String GetAssetEraList(const KUID& id);
    static bool IsAssetLocallyModified(const KUID& id);
    static bool HasStatusI(const KUID& id);
    static bool HasStatusF(const KUID& id);
    // With `notInstalledCounts` an asset that is not installed counts as missing dependencies too.
    static bool HasStatusM(const KUID& id, bool notInstalledCounts);

    // The database repair (StartRepair, GetRepairProgress and RunPatcher; defined with the repair task).
    // StartRepair: starts the daemon's repair; `sink` stays registered (keep
    // flag) so the repair's lines keep reaching it.
    static bool StartRepair(int32_t mode, ResultsLog* sink);
    // GetRepairProgress: true while the repair runs; progress and text through the
    // outputs (0 and empty on failure).
    static bool GetRepairProgress(float& progress, Zel::String& text);
    // The same request, telling a failed request (false) from a repair that
    // is not running (true, running false).
    static bool AskRepairProgress(bool& running, float& progress, Zel::String& text);
    // RunPatcher: the daemon's patch step.
    static bool RunPatcher();

    // Builds and the online account (GetOnlineProfile, ClearOnlineLoginTicket, GetOnlineLoginTicket and ListBuilds).
    static Zel::PString ListBuilds();
    static Zel::String GetOnlineProfile();
    static void ClearOnlineLoginTicket();
    static Zel::String GetOnlineLoginTicket();

    // The command host sets this while it runs and clears it (null) after.
    static void SetCommandHostHook(KADCommandHostHook hook);
    static KADCommandHostHook GetCommandHostHook();

    // The two values of the daemon's handshake reply; kept, nothing reads them.
    static void GetDaemonValues(int32_t& first, int32_t& second);

    // The link's own machinery (reader thread, notifications, asynchronous calls).
    static void ReaderThread();
    // Takes ownership. Result lines and asynchronous calls are handled at once
    // on the reader thread; the rest is queued for a main-thread job (flags 9).
    static void DispatchNotification(KADNotification* notification);
    static void HandleNotification(TBuffer& payload, int32_t type);
    static void RunQueuedNotification();
    static void DrainNotifications();
    static size_t GetQueuedNotificationCount();
    static void StartAsyncCall(int32_t clientTransactionID, const Zel::PString& question, const KUID& assetId);
    // Asks the waiting request's prompt handler and sends the answer (request
    // 150): 4 for an unknown id, 2 for a request without a handler.
    static int32_t RunAsyncCall(int32_t clientTransactionID, const Zel::PString& question, const KUID& assetId);
    // Waits for every asynchronous-call thread to end (shutdown; the calls
    // fail fast once the client has stopped).
    static void WaitForAsyncCalls();
};
