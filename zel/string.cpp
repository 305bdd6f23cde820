// AnsiString editing, formatting, searching and tokenising.
#include "zel/string.h"

#include "zel/ascii.h"

#include <cstdio>
#include <cstring>

namespace Zel {
namespace {

const char kDefaultSeparators[] = " \t\r\n\v\f";

// A start outside [0, length] finds nothing.
bool StartIsValid(int start, size_t length)
{
    return start >= 0 && static_cast<size_t>(start) <= length;
}

}  // namespace

AnsiString& AnsiString::Set(const char* text)
{
    text_.assign(text ? text : "");
    return *this;
}

AnsiString& AnsiString::Set(const char* text, size_t length)
{
    if (!text) {
        text_.clear();
        return *this;
    }
    text_.assign(text, length);
    return *this;
}

AnsiString& AnsiString::Set(std::string_view text)
{
    text_.assign(text);
    return *this;
}

AnsiString& AnsiString::Add(const char* text)
{
    if (text)
        text_.append(text);
    return *this;
}

AnsiString& AnsiString::Add(std::string_view text)
{
    text_.append(text);
    return *this;
}

AnsiString& AnsiString::Add(char c)
{
    text_.push_back(c);
    return *this;
}

AnsiString& AnsiString::Add(const char* format, va_list arguments)
{
    if (!format)
        return *this;
    char small[256];
    va_list copy;
    va_copy(copy, arguments);
    int needed = vsnprintf(small, sizeof(small), format, copy);
    va_end(copy);
    if (needed < 0)
        return *this;
    if (static_cast<size_t>(needed) < sizeof(small)) {
        text_.append(small, static_cast<size_t>(needed));
        return *this;
    }
    size_t old = text_.size();
    text_.resize(old + static_cast<size_t>(needed) + 1);
    vsnprintf(&text_[old], static_cast<size_t>(needed) + 1, format, arguments);
    text_.resize(old + static_cast<size_t>(needed));
    return *this;
}

AnsiString& AnsiString::Setf(const char* format, ...)
{
    text_.clear();
    va_list arguments;
    va_start(arguments, format);
    Add(format, arguments);
    va_end(arguments);
    return *this;
}

AnsiString& AnsiString::Addf(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    Add(format, arguments);
    va_end(arguments);
    return *this;
}

AnsiString& AnsiString::Ins(size_t position, const char* text)
{
    if (!text)
        return *this;
    if (position > text_.size())
        position = text_.size();
    text_.insert(position, text);
    return *this;
}

AnsiString& AnsiString::Del(size_t position, size_t count)
{
    if (position < text_.size())
        text_.erase(position, count);
    return *this;
}

AnsiString& AnsiString::Truncate(size_t length)
{
    if (length < text_.size())
        text_.resize(length);
    return *this;
}

int AnsiString::Find(const char* sub, int start) const
{
    if (!sub || !StartIsValid(start, text_.size()))
        return -1;
    size_t at = text_.find(sub, static_cast<size_t>(start));
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int AnsiString::Find(char c, int start) const
{
    if (!StartIsValid(start, text_.size()))
        return -1;
    size_t at = text_.find(c, static_cast<size_t>(start));
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int AnsiString::FindIgnoreCase(const char* sub, int start) const
{
    if (!sub || !StartIsValid(start, text_.size()))
        return -1;
    size_t subLength = strlen(sub);
    for (size_t at = static_cast<size_t>(start); at + subLength <= text_.size(); ++at) {
        if (AsciiEqualIgnoreCase(std::string_view(text_).substr(at, subLength), sub))
            return static_cast<int>(at);
    }
    return -1;
}

int AnsiString::FindLast(char c) const
{
    size_t at = text_.rfind(c);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

AnsiString AnsiString::Token(const char* separators)
{
    const char* set = (separators && *separators) ? separators : kDefaultSeparators;
    size_t begin = text_.find_first_not_of(set);
    if (begin == std::string::npos) {
        text_.clear();
        return AnsiString();
    }
    size_t end = text_.find_first_of(set, begin);
    AnsiString token(text_.substr(begin, end == std::string::npos ? std::string::npos : end - begin));
    text_.erase(0, end == std::string::npos ? std::string::npos : end + 1);
    return token;
}

int AnsiString::CompareWith(const char* text) const
{
    return text_ == (text ? text : "") ? 1 : 0;
}

int AnsiString::Compare(const char* text) const
{
    return AsciiCompare(text_, text ? text : "", false);
}

int AnsiString::CompareIgnoreCase(const char* text) const
{
    return AsciiCompare(text_, text ? text : "", true);
}

AnsiString& AnsiString::ToLower()
{
    for (char& c : text_)
        c = AsciiToLower(c);
    return *this;
}

AnsiString& AnsiString::ToUpper()
{
    for (char& c : text_)
        c = AsciiToUpper(c);
    return *this;
}

AnsiString AnsiString::SubString(size_t position, size_t count) const
{
    if (position >= text_.size())
        return AnsiString();
    return AnsiString(text_.substr(position, count));
}

AnsiString AnsiString::Concat(const AnsiString& string, const char* text)
{
    AnsiString result(string);
    result.Add(text);
    return result;
}

}  // namespace Zel
