// One HTTP(S) fetch into a file, with time-outs, a size cap and a cancel flag.
#include "daemon/web_query_fetch.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <mutex>

#include "platform/file_io.h"

namespace {

struct FetchState {
    int file = -1;
    std::uint64_t written = 0;
    std::uint64_t maxBytes = 0;
    bool tooLarge = false;
    bool writeFailed = false;
    const std::atomic<bool>* cancel = nullptr;
};

size_t WriteBody(char* data, size_t size, size_t count, void* user)
{
    auto* state = static_cast<FetchState*>(user);
    size_t total = size * count;
    if (state->written + total > state->maxBytes) {
        state->tooLarge = true;
        return 0;
    }
    if (!Platform::WriteAll(state->file, data, total)) {
        state->writeFailed = true;
        return 0;
    }
    state->written += total;
    return total;
}

// libcurl calls this often, also while it waits for a connection, so a
// closed query or a closing daemon stops its transfer at once.
int CheckCancel(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    auto* state = static_cast<FetchState*>(user);
    return state->cancel->load() ? 1 : 0;
}

void Configure(CURL* curl, const std::string& url, const KADWebConfig& config, FetchState& state, char* errorBuffer)
{
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    // Threads of a daemon must never be interrupted by the resolver's alarm.
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, static_cast<long>(config.maxRedirects));
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(config.connectTimeoutMs));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(config.totalTimeoutMs));
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(config.maxBytes));
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "kaddaemon");
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &state);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, CheckCancel);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &state);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
}

void Fail(KADWebFetchResult& result, CURLcode code, const char* errorBuffer)
{
    result.resultCode = KADWebResultTransferBase + static_cast<std::uint32_t>(code);
    result.errorText = errorBuffer[0] != '\0' ? errorBuffer : curl_easy_strerror(code);
}

void Classify(KADWebFetchResult& result, CURLcode code, const FetchState& state, long status, const char* errorBuffer)
{
    result.httpStatus = status > 0 ? static_cast<std::uint32_t>(status) : 0;
    result.byteCount = state.written;
    if (state.tooLarge) {
        Fail(result, CURLE_FILESIZE_EXCEEDED, "Maximum file size exceeded");
        return;
    }
    if (code != CURLE_OK) {
        Fail(result, code, errorBuffer);
        return;
    }
    if (status < 200 || status >= 300) {
        // Statuses below 400 that end a transfer (a redirect without a
        // target, an informational answer) are no content either.
        result.resultCode = status > 0 ? static_cast<std::uint32_t>(status) : KADWebResultTransferBase;
        result.errorText = "HTTP status " + std::to_string(status);
    }
}

}  // namespace

void KADInitialiseWebFetch()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

KADWebFetchResult KADFetchUrl(const std::string& url, const std::string& filePath, const KADWebConfig& config,
                              const std::atomic<bool>& cancel)
{
    KADInitialiseWebFetch();
    KADWebFetchResult result;
    FetchState state;
    state.cancel = &cancel;
    state.maxBytes = static_cast<std::uint64_t>(config.maxBytes);
    state.file = open(filePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (state.file < 0) {
        result.resultCode = KADWebResultTransferBase + CURLE_WRITE_ERROR;
        result.errorText = "Cannot create the result file";
        return result;
    }
    char errorBuffer[CURL_ERROR_SIZE] = {};
    CURLcode code = CURLE_FAILED_INIT;
    long status = 0;
    if (CURL* curl = curl_easy_init()) {
        Configure(curl, url, config, state, errorBuffer);
        code = curl_easy_perform(curl);
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        curl_easy_cleanup(curl);
    }
    if (state.writeFailed && code == CURLE_WRITE_ERROR)
        std::snprintf(errorBuffer, sizeof errorBuffer, "Cannot write the result file");
    Classify(result, code, state, status, errorBuffer);
    bool synced = fsync(state.file) == 0 || !result.Succeeded();
    close(state.file);
    if (!synced)
        Fail(result, CURLE_WRITE_ERROR, "Cannot write the result file");
    if (!result.Succeeded())
        unlink(filePath.c_str());
    return result;
}
