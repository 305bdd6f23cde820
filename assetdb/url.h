// URL: the fixed-size address record with its parser and formatter.
#pragma once

#include <cstdint>
#include <string>

// Every text is zero-terminated and cut to fit its field.
class URL {
public:
    URL() { Clear(); }

    void Clear();
    // Fills the record from the text; never fails. A null text clears it.
    void Parse(const char* text);
    // "scheme://[user[:password]@]host[:port]path[query]", with "http" for an
    // empty scheme and no port when it is 0.
    std::string Format() const;
    // Both the scheme and the host are set.
    bool IsValid() const { return scheme[0] != '\0' && host[0] != '\0'; }

    char scheme[32];
    char user[64];
    char password[64];
    char host[128];
    int32_t port;
    // Starts with "/" when present.
    char path[256];
    // Starts with "?" when present.
    char query[512];
};
