// KADWebQuery: a web fetch the daemon performs for the program, with its cached status.
#pragma once

#include <cstdint>

#include "assetdb/protocol/kad_protocol.h"
#include "assetdb/url.h"
#include "zel/path.h"
#include "zel/pstring.h"

// The complete byte, the three status words, the result file and text, read together.
struct KADWebQueryStatus {
    bool complete = false;
    uint32_t firstWord = 0;
    uint32_t resultCode = 0;
    uint32_t thirdWord = 0;
    Zel::File::Path resultFile;
    Zel::PString resultText;
};

class KADWebQuery {
public:
    // StartWebQuery. Always gives a record: with the handle (-1, -1) when the
    // request failed. The caller frees it with Delete.
    static KADWebQuery* Start(const URL& url, int32_t mode);
    // CloseWebQuery, then frees the record.
    static void Delete(KADWebQuery* query);

    // CloseWebQuery: the daemon forgets the query and its file; the result
    // text is released.
    void Close();
    // GetWebQueryStatus while the cached complete byte is clear; a query that
    // reported complete is never asked again.
    KADWebQueryStatus GetStatus();
    bool IsComplete();
    uint32_t GetResultCode();
    // True when the result file is not empty.
    bool GetResultFile(Zel::File::Path& path, Zel::PString& text);
    // True when the last status request could not reach the daemon (the
    // record then stays incomplete for ever: waiters must stop on this).
    bool LastStatusFailed() const { return lastStatusFailed; }

    int32_t handleFirst = -1;
    int32_t handleSecond = -1;
    KADWebQueryStatus status;
    URL url;

private:
    KADWebQuery() = default;
    bool lastStatusFailed = false;
};
