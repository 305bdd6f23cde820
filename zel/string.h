// Owned, editable single-byte strings with printf-style formatting.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>
#include <string_view>

namespace Zel {

// Positions and counts are bytes. Search results are int (-1 = not found),
// as the script natives that use them expect.
class AnsiString {
public:
    AnsiString() = default;
    AnsiString(const char* text) : text_(text ? text : "") {}
    AnsiString(const char* text, size_t length) : text_(text ? std::string(text, length) : std::string()) {}
    explicit AnsiString(std::string_view text) : text_(text) {}
    explicit AnsiString(std::string text) : text_(std::move(text)) {}
    AnsiString(const AnsiString&) = default;
    AnsiString(AnsiString&&) noexcept = default;
    AnsiString& operator=(const AnsiString&) = default;
    AnsiString& operator=(AnsiString&&) noexcept = default;
    AnsiString& operator=(const char* text) { return Set(text); }
    virtual ~AnsiString() = default;

    const char* c_str() const { return text_.c_str(); }
    const char* Str() const { return text_.c_str(); }
    // Byte length without the terminating zero.
    size_t Size() const { return text_.size(); }
    size_t Length() const { return text_.size(); }
    bool IsEmpty() const { return text_.empty(); }
    std::string_view View() const { return text_; }
    const std::string& Std() const { return text_; }
    char operator[](size_t index) const { return index < text_.size() ? text_[index] : '\0'; }

    void Clear() { text_.clear(); }
    AnsiString& Set(const char* text);
    AnsiString& Set(const char* text, size_t length);
    AnsiString& Set(std::string_view text);

    // Appends plain text (null appends nothing).
    AnsiString& Add(const char* text);
    AnsiString& Add(std::string_view text);
    AnsiString& Add(char c);
    // Appends the formatted arguments.
    AnsiString& Add(const char* format, va_list arguments);
    AnsiString& Setf(const char* format, ...) __attribute__((format(printf, 2, 3)));
    AnsiString& Addf(const char* format, ...) __attribute__((format(printf, 2, 3)));
    AnsiString& operator+=(const char* text) { return Add(text); }
    AnsiString& operator+=(const AnsiString& other) { return Add(other.View()); }

    // Inserts at position (clamped to the length).
    AnsiString& Ins(size_t position, const char* text);
    // Removes count bytes from position (both clamped).
    AnsiString& Del(size_t position, size_t count);
    // Keeps at most length bytes.
    AnsiString& Truncate(size_t length);

    // First index >= start where sub occurs, or -1. A negative start or a start
    // beyond the length gives -1; a start equal to the length finds only "".
    int Find(const char* sub, int start = 0) const;
    int Find(char c, int start = 0) const;
    // The same with ASCII letters compared without regard to case.
    int FindIgnoreCase(const char* sub, int start = 0) const;
    // Last index of c, or -1.
    int FindLast(char c) const;

    // Takes the next token off the front: leading separators are skipped, the
    // token runs to the next separator (or the end), and the token with its
    // ending separator is removed from this string. "a,,b" with "," gives "a",
    // then "b", then "". Null or empty separators: the default set of blank,
    // tab, CR, LF, vertical tab and form feed.
    AnsiString Token(const char* separators);

    // 1 when the texts are equal byte for byte, else 0.
    int CompareWith(const char* text) const;
    int CompareWith(const AnsiString& other) const { return CompareWith(other.c_str()); }
    // Sign-only byte-wise unsigned comparison: -1, 0 or 1.
    int Compare(const char* text) const;
    // ASCII letters folded: -1, 0 or 1.
    int CompareIgnoreCase(const char* text) const;

    // ASCII only; bytes 0x80 and above are kept.
    AnsiString& ToLower();
    AnsiString& ToUpper();

    AnsiString SubString(size_t position, size_t count = std::string::npos) const;
    // A copy of string with text appended.
    static AnsiString Concat(const AnsiString& string, const char* text);

    bool operator==(const AnsiString& other) const { return text_ == other.text_; }
    bool operator!=(const AnsiString& other) const { return text_ != other.text_; }
    bool operator==(const char* text) const { return CompareWith(text) == 1; }
    bool operator!=(const char* text) const { return CompareWith(text) != 1; }
    // Byte-wise unsigned order.
    bool operator<(const AnsiString& other) const { return Compare(other.c_str()) < 0; }

protected:
    std::string text_;
};

// The engine's owned C string: the same operations, handed to C-style calls
// through c_str().
class String : public AnsiString {
public:
    using AnsiString::AnsiString;
    String() = default;
    String(const AnsiString& other) : AnsiString(other) {}
    String(AnsiString&& other) : AnsiString(std::move(other)) {}
    String& operator=(const char* text)
    {
        Set(text);
        return *this;
    }
};

}  // namespace Zel
