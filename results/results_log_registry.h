// The process-wide map from daemon transaction id to the results log that receives that transaction's lines.
#pragma once

#include <cstdint>

class ResultsLog;
class TBuffer;

// The daemon client registers a command's log under each request's
// transaction id and unregisters it afterwards; its reader thread finds the
// log when the daemon delivers lines. Guarded by one lock of its own.
class ResultsLogRegistry {
public:
    // Enters the log under the id, replacing any earlier entry.
    static void Register(int32_t transactionId, ResultsLog* log);
    // The log registered under the id, or null.
    static ResultsLog* Find(int32_t transactionId);
    static void Unregister(int32_t transactionId);
    // Removes every entry that maps to the log (its destructor calls this), so
    // a finished command's log can never be found by a late notification.
    static void UnregisterLog(const ResultsLog* log);

    // Reads one wire-form log from the buffer into the log registered under
    // the id, holding the registry's lock for the whole read, so the log
    // cannot be destroyed half-way by another thread. Without a registered
    // log the lines are read into a temporary log and dropped. True when a
    // log was registered.
    static bool ReadInto(int32_t transactionId, TBuffer& buffer);
};
