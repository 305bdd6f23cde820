// The address a web query really fetches: rewritten through the table, and only over HTTP or HTTPS.
#include "daemon/web_query_url.h"

#include <curl/curl.h>

#include <memory>

#include "zel/ascii.h"

namespace {

struct UrlDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using UrlPointer = std::unique_ptr<CURLU, UrlDeleter>;

std::string Part(CURLU* url, CURLUPart part, unsigned flags = 0)
{
    char* text = nullptr;
    if (curl_url_get(url, part, &text, flags) != CURLUE_OK || text == nullptr)
        return std::string();
    std::string value(text);
    curl_free(text);
    return value;
}

std::string Lower(std::string text)
{
    return Zel::AsciiLowerCopy(text);
}

// Scheme, host and port (the scheme's default when none is written), the
// parts a rewrite rule matches on.
std::string Origin(CURLU* url)
{
    return Lower(Part(url, CURLUPART_SCHEME)) + "://" + Lower(Part(url, CURLUPART_HOST)) + ":" +
           Part(url, CURLUPART_PORT, CURLU_DEFAULT_PORT);
}

UrlPointer ParseUrl(const std::string& text)
{
    UrlPointer url(curl_url());
    if (!url)
        return nullptr;
    // Only absolute URLs: a scheme-less text must not be guessed into one.
    if (curl_url_set(url.get(), CURLUPART_URL, text.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
        return nullptr;
    return url;
}

bool ApplyRewrite(CURLU* url, const KADWebRewrite& rule)
{
    UrlPointer from = ParseUrl(rule.from);
    UrlPointer to = ParseUrl(rule.to);
    if (!from || !to || Origin(url) != Origin(from.get()))
        return false;
    std::string base = Part(to.get(), CURLUPART_PATH);
    while (!base.empty() && base.back() == '/')
        base.pop_back();
    std::string path = base + Part(url, CURLUPART_PATH);
    std::string port = Part(to.get(), CURLUPART_PORT);
    curl_url_set(url, CURLUPART_SCHEME, Part(to.get(), CURLUPART_SCHEME).c_str(), CURLU_NON_SUPPORT_SCHEME);
    curl_url_set(url, CURLUPART_HOST, Part(to.get(), CURLUPART_HOST).c_str(), 0);
    curl_url_set(url, CURLUPART_PORT, port.empty() ? nullptr : port.c_str(), 0);
    curl_url_set(url, CURLUPART_PATH, path.empty() ? "/" : path.c_str(), 0);
    return true;
}

}  // namespace

bool KADPrepareWebUrl(const std::string& requested, const std::vector<KADWebRewrite>& rewrites, std::string& url,
                      std::string& error)
{
    url.clear();
    UrlPointer parsed = ParseUrl(requested);
    if (!parsed) {
        error = "Malformed URL";
        return false;
    }
    for (const KADWebRewrite& rule : rewrites) {
        if (ApplyRewrite(parsed.get(), rule))
            break;
    }
    std::string scheme = Lower(Part(parsed.get(), CURLUPART_SCHEME));
    if (scheme != "http" && scheme != "https") {
        error = "Unsupported URL scheme";
        return false;
    }
    if (Part(parsed.get(), CURLUPART_HOST).empty()) {
        error = "Malformed URL";
        return false;
    }
    url = Part(parsed.get(), CURLUPART_URL);
    return !url.empty();
}
