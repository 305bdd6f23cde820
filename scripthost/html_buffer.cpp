// HTMLBuffer: appending, escaping and reading back the text.
#include "scripthost/html_buffer.h"

#include <cstring>

void HTMLBuffer::Append(const char* bytes, std::size_t count)
{
    if (bytes == nullptr || count == 0)
        return;
    if (length_ + count > bytes_.size())
        bytes_.resize(count + 2 * bytes_.size());
    std::memcpy(bytes_.data() + length_, bytes, count);
    length_ += count;
}

void HTMLBuffer::AppendText(const char* text)
{
    if (text != nullptr)
        Append(text, std::strlen(text));
}

void HTMLBuffer::AppendEscaped(const char* text)
{
    if (text == nullptr || *text == '\0')
        return;
    empty_ = false;
    for (const char* p = text; *p != '\0'; ++p) {
        switch (*p) {
        case '\n':
            AppendText("<br>");
            if (p[1] == '\r')
                ++p;
            break;
        case '\r':
            AppendText("<br>");
            if (p[1] == '\n')
                ++p;
            break;
        case '&':
            AppendText("&amp;");
            break;
        case '<':
            AppendText("&lt;");
            break;
        case '>':
            AppendText("&gt;");
            break;
        default:
            Append(p, 1);
            break;
        }
    }
}

Zel::PString HTMLBuffer::GetText() const
{
    if (length_ == 0)
        return Zel::PString("");
    const void* zero = std::memchr(bytes_.data(), 0, length_);
    const std::size_t size = zero != nullptr ? static_cast<const char*>(zero) - bytes_.data() : length_;
    return Zel::PStringCache::Create(bytes_.data(), size);
}

void HTMLBuffer::Clear()
{
    bytes_.clear();
    bytes_.shrink_to_fit();
    length_ = 0;
    empty_ = true;
}
