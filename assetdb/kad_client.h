// KADClient: the utility's one connection to the asset-database daemon.
#pragma once

#include <cstddef>
#include <cstdint>

#include "assetdb/kad_client_options.h"
#include "assetdb/kad_prompt_handler.h"

namespace Zel {
class PString;
}
class TBuffer;
class ResultsLog;
class SoupHandle;
class KUID;
class KADNotification;

// The command host's answerer of type-1 questions (set while `kadcommandhost` runs).
using KADCommandHostHook = void (*)(TBuffer& question, TBuffer& answer);

// Process-wide and single: one connection, one reader thread, one set of options.
// Every operation is static; the state lives in kad_client_state.cpp.
class KADClient
{
public:
    // Start-up connection: connects, and when the first attempt fails launches
    // "kaddaemon.exe" and retries every 1000 ms, 11 attempts in all.
    static bool Start(const KADClientOptions& options);
    // One connection attempt with handshake; true at once while connected.
    static bool Connect();
    static void Disconnect(bool afterFailure);
    // Program shutdown: sends the closing word, drops the queued notifications.
    static void Shutdown();

    // Set by a successful Start, cleared by Shutdown (start-up's "connected" test).
    static bool IsStarted();
    // Set by the handshake, cleared when the reader thread ends.
    static bool IsConnected();

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

    // Request 270: asks the daemon to close and waits until the connection is gone.
    static void CloseDaemon();
    // Request 150: the answer to an asynchronous call of the daemon.
    static bool PostAsyncCallResult(int32_t clientTransactionID, int32_t answerCode);

    // Setting groups (requests 100 to 103).
    static bool GetSettingsSection(SoupHandle& chunk, const Zel::PString& section);
    // Consumes `soup` (it is reset to the null handle); a missing or empty soup
    // clears the section instead.
    static bool SetSettingsSection(const Zel::PString& section, SoupHandle& soup);
    static bool ClearSettingsSection(const Zel::PString& section);
    // The value, or the empty PString on failure or an empty reply.
    static Zel::PString GetSetting(const Zel::PString& section, const Zel::PString& key);
    static bool SetSetting(const Zel::PString& section, const Zel::PString& key,
                           const Zel::PString& value);

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
