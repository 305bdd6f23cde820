// HTMLBuffer: HTML text appended piece by piece, user text escaped on the way in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "zel/pstring.h"

class HTMLBuffer {
public:
    // Nothing for no bytes; the storage grows to count + twice its size when
    // the text would not fit, so appends stay amortised constant.
    void Append(const char* bytes, std::size_t count);
    // The string without its terminator; nothing for null.
    void AppendText(const char* text);
    // Line breaks (LF, CR, CR LF, LF CR) become "<br>"; "&", "<" and ">"
    // their entities; every other byte as it is. Nothing for null or "".
    void AppendEscaped(const char* text);
    // The text, cut at its first zero byte.
    Zel::PString GetText() const;
    void Clear();

    bool IsEmpty() const { return empty_; }
    void MarkWritten() { empty_ = false; }

private:
    std::vector<char> bytes_;
    std::size_t length_ = 0;
    bool empty_ = true;
};
