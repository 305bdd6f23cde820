// Reading a soup from its text form: a lenient parser that never fails.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include "foundation/base/code_page.h"
#include "foundation/streams/t_stream.h"
#include "soup/acs_raw_data.h"
#include "kuid/decimal_scan.h"
#include "soup/number_text.h"
#include "soup/soup_handle.h"
#include "soup/tdb_container_tag.h"
#include "soup/text_soup.h"
#include "zel/ascii.h"

namespace {

constexpr size_t kNameLimit = 511;
constexpr size_t kNumberLimit = 31;
constexpr size_t kListLimit = 255;
// Containers nested below the root, at most; a deeper "{" is read as text.
constexpr int kMaxDepth = 1000;

enum class ValueKind { Empty, Container, Float, Int, List, Text };

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}
bool IsLineEnd(char c)
{
    return c == '\r' || c == '\n';
}
bool IsListChar(char c)
{
    return Zel::AsciiIsDigit(c) || IsBlank(c) || c == ',' || c == '-' || c == '.';
}

bool StartsWithIgnoreCase(const std::string& text, const char* prefix)
{
    const size_t length = std::strlen(prefix);
    if (text.size() < length)
        return false;
    for (size_t i = 0; i < length; ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
        if (c != prefix[i])
            return false;
    }
    return true;
}

size_t CountOccurrences(const std::string& text, const char* pattern)
{
    size_t count = 0;
    for (size_t at = text.find(pattern); at != std::string::npos; at = text.find(pattern, at + 1))
        ++count;
    return count;
}

// A text value is an asset id when it begins with a tag form and holds at
// most one lower-case tag form in all (two would be a list of ids in a text).
bool LooksLikeKUID(const std::string& text)
{
    if (!StartsWithIgnoreCase(text, "<KUID:") && !StartsWithIgnoreCase(text, "<KUID2:") &&
        !StartsWithIgnoreCase(text, "<NULL>"))
        return false;
    return CountOccurrences(text, "<kuid:") + CountOccurrences(text, "<kuid2:") <= 1;
}

bool HasHighBit(const std::string& text)
{
    for (char c : text) {
        if (uint8_t(c) & 0x80)
            return true;
    }
    return false;
}

// ANSI text to UTF-8, growing the buffer when the conversion asks for room;
// a failed conversion empties the value.
void ConvertAnsiValue(std::string& text)
{
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    int result = ConvertCodePage(buffer.data(), int(buffer.size()), CP_ACP, CP_UTF8);
    if (result > 0) {
        buffer.resize(size_t(result));
        result = ConvertCodePage(buffer.data(), int(buffer.size()), CP_ACP, CP_UTF8);
    }
    text = result == 0 ? std::string(buffer.data()) : std::string();
}

// The names already set in one container. Most containers hold a few tags,
// searched in a short list; a large one switches to a hash set.
class SeenNames {
public:
    // True when the name was not seen before (it is now).
    bool Insert(const Zel::PStringNode* name)
    {
        if (set_.empty()) {
            for (const Zel::PStringNode* seen : list_) {
                if (seen == name)
                    return false;
            }
            list_.push_back(name);
            if (list_.size() > 32)
                set_.insert(list_.begin(), list_.end());
            return true;
        }
        return set_.insert(name).second;
    }

private:
    std::vector<const Zel::PStringNode*> list_;
    std::unordered_set<const Zel::PStringNode*> set_;
};

class TextSoupParser {
public:
    TextSoupParser(const char* text, size_t length, TextSoupFaults* faults)
        : begin_(text), at_(text), end_(text + length), faults_(faults)
    {}

    size_t Consumed() const { return size_t(at_ - begin_); }

    // Reads the tags of one level into soup (already a fresh container).
    void ReadLevel(SoupHandle& soup, bool utf8, int depth)
    {
        utf8 = SkipByteOrderMark(utf8);
        // Names already set at this level; a new name is appended without
        // the name scan a setter makes, a repeated one goes through it.
        SeenNames seen;
        ACSChunk* container = soup.GetContainer().Get();
        while (true) {
            while (at_ < end_ && (IsBlank(*at_) || IsLineEnd(*at_)))
                ++at_;
            if (at_ >= end_ || *at_ == '}')
                return;
            const Zel::PString name = ReadName();
            const bool repeated = !seen.Insert(name.Node());
            ChunkRef tag = ReadValue(utf8, depth);
            if (repeated)
                container->RemoveNamedTag(name);
            if (tag)
                container->AddNamedTag(name, std::move(tag));
        }
    }

private:
    bool SkipByteOrderMark(bool utf8)
    {
        if (utf8)
            return true;
        if (end_ - at_ >= 3 && std::memcmp(at_, "\xEF\xBB\xBF", 3) == 0) {
            at_ += 3;
            return true;
        }
        return false;
    }

    Zel::PString ReadName()
    {
        char name[kNameLimit];
        size_t length = 0;
        while (at_ < end_ && !IsBlank(*at_) && !IsLineEnd(*at_) && *at_ != '}') {
            char c = *at_++;
            if (c >= 'A' && c <= 'Z')
                c = char(c - 'A' + 'a');
            if (length < kNameLimit)
                name[length++] = c;
        }
        return Zel::PString(name, length);
    }

    // Looks ahead from the position after the name; the position stays
    // there, except that a container's "{" is consumed.
    ValueKind Classify(int depth)
    {
        const char* look = at_;
        while (look < end_ && IsBlank(*look))
            ++look;
        if (look < end_ && IsLineEnd(*look)) {
            while (look < end_ && (IsBlank(*look) || IsLineEnd(*look)))
                ++look;
            return OpenContainer(look, depth) ? ValueKind::Container : ValueKind::Empty;
        }
        if (look >= end_ || *look == '}')
            return ValueKind::Empty;
        if (*look == '"')
            return ValueKind::Text;
        if (*look == '{')
            return OpenContainer(look, depth) ? ValueKind::Container : ValueKind::Text;
        if (*look == '-' || *look == '.' || Zel::AsciiIsDigit(*look)) {
            const char* scan = look;
            if (*scan == '-')
                ++scan;
            bool dot = false;
            while (scan < end_ && (Zel::AsciiIsDigit(*scan) || *scan == '.')) {
                dot = dot || *scan == '.';
                ++scan;
            }
            while (scan < end_ && IsBlank(*scan))
                ++scan;
            if (scan >= end_ || IsLineEnd(*scan))
                return dot ? ValueKind::Float : ValueKind::Int;
        }
        const char* scan = look;
        while (scan < end_ && !IsLineEnd(*scan)) {
            if (!IsListChar(*scan))
                return ValueKind::Text;
            ++scan;
        }
        return ValueKind::List;
    }

    // A "{" at `look` opens a container unless the nesting limit is reached.
    bool OpenContainer(const char* look, int depth)
    {
        if (look >= end_ || *look != '{' || depth >= kMaxDepth)
            return false;
        at_ = look + 1;
        return true;
    }

    ChunkRef ReadValue(bool utf8, int depth)
    {
        switch (Classify(depth)) {
        case ValueKind::Empty:
            return MakeTag(SoupTypeNone, nullptr);
        case ValueKind::Container:
            return ReadContainer(utf8, depth);
        case ValueKind::Int: {
            const std::string text = ReadLineValue(kNumberLimit);
            int32_t value = 0;
            const char* cursor = text.c_str();
            ScanDecimalInt32(cursor, cursor + text.size(), value);
            return MakeTag(SoupTypeInt, ACSRawDataCore::Copy(&value, 4));
        }
        case ValueKind::Float: {
            const std::string text = ReadLineValue(kNumberLimit);
            float value = 0.0f;
            SoupNumberText::ScanFloat(text.data(), text.size(), value);
            return MakeTag(SoupTypeFloat, ACSRawDataCore::Copy(&value, 4));
        }
        case ValueKind::List:
            return ReadList();
        case ValueKind::Text:
            return ReadText(utf8);
        }
        return nullptr;
    }

    ChunkRef ReadContainer(bool utf8, int depth)
    {
        // OpenContainer left the position just after the "{".
        const size_t brace = size_t(at_ - begin_) - 1;
        SoupHandle child;
        child.EnsureContainer();
        // Nested levels look for a byte-order mark of their own only while
        // none has been seen.
        ReadLevel(child, utf8, depth + 1);
        while (at_ < end_ && (IsBlank(*at_) || IsLineEnd(*at_)))
            ++at_;
        if (at_ < end_ && *at_ == '}')
            ++at_;
        else if (faults_ != nullptr && faults_->unclosedBrace == std::string::npos)
            faults_->unclosedBrace = brace;
        return child.Root();
    }

    // A number or number list: blanks skipped, then the value to the line
    // end; characters beyond the limit are consumed and dropped.
    std::string ReadLineValue(size_t limit)
    {
        while (at_ < end_ && IsBlank(*at_))
            ++at_;
        const char* start = at_;
        while (at_ < end_ && !IsLineEnd(*at_))
            ++at_;
        std::string text(start, std::min(size_t(at_ - start), limit));
        if (!text.empty() && text.back() == '\\')
            text.pop_back();
        return text;
    }

    ChunkRef ReadList()
    {
        const std::string text = ReadLineValue(kListLimit);
        std::vector<float> values;
        size_t at = 0;
        while (at < text.size()) {
            const size_t stop = text.find_first_of(" ,", at);
            const size_t tokenEnd = stop == std::string::npos ? text.size() : stop;
            if (tokenEnd > at) {
                // A token "%f" cannot scan (a lone '-') is 0.
                float value = 0.0f;
                SoupNumberText::ScanFloat(text.data() + at, tokenEnd - at, value);
                values.push_back(value);
            }
            at = tokenEnd + 1;
        }
        // An empty list stores nothing, as SetNamedTagFloatList does.
        if (values.empty())
            return nullptr;
        return MakeTag(SoupTypeFloat, ACSRawDataCore::Copy(values.data(), int32_t(values.size() * 4)));
    }

    ChunkRef ReadText(bool utf8)
    {
        while (at_ < end_ && IsBlank(*at_))
            ++at_;
        std::string text = (at_ < end_ && *at_ == '"') ? ReadQuoted() : ReadUnquoted();
        if (LooksLikeKUID(text)) {
            const KUID::Packed packed = KUID::Parse(text.c_str(), false).Pack();
            const uint32_t words[2] = {packed.first, packed.second};
            return MakeTag(SoupTypeKUID, ACSRawDataCore::Copy(words, 8));
        }
        if (!utf8 && HasHighBit(text))
            ConvertAnsiValue(text);
        // Stored as SoupHandle::SetNamedTag stores a text: up to its first
        // zero byte, with one zero byte; an empty text has no bytes.
        const size_t length = std::strlen(text.c_str());
        return MakeTag(SoupTypeText, length == 0 ? nullptr : ACSRawDataCore::Copy(text.c_str(), int32_t(length + 1)));
    }

    // To the next double quote (consumed) or the end, across lines; every
    // line break becomes CR LF (CR LF and LF CR count as one break).
    std::string ReadQuoted()
    {
        const size_t quote = size_t(at_ - begin_);
        ++at_;
        std::string text;
        while (at_ < end_ && *at_ != '"') {
            const char c = *at_++;
            if (!IsLineEnd(c)) {
                text += c;
                continue;
            }
            if (at_ < end_ && IsLineEnd(*at_) && *at_ != c)
                ++at_;
            text += "\r\n";
        }
        if (at_ < end_)
            ++at_;
        else if (faults_ != nullptr && faults_->unclosedQuote == std::string::npos)
            faults_->unclosedQuote = quote;
        return text;
    }

    // To the next CR, LF or "}" (not consumed) or the end; "\n" becomes CR LF.
    std::string ReadUnquoted()
    {
        std::string text;
        while (at_ < end_ && !IsLineEnd(*at_) && *at_ != '}') {
            if (*at_ == '\\' && at_ + 1 < end_ && at_[1] == 'n') {
                text += "\r\n";
                at_ += 2;
                continue;
            }
            text += *at_++;
        }
        return text;
    }

    static ChunkRef MakeTag(int32_t type, RawDataRef block)
    {
        return ChunkRef::Adopt(new TDBDataTag(type, std::move(block)));
    }

    const char* begin_;
    const char* at_;
    const char* end_;
    TextSoupFaults* faults_;
};

constexpr size_t kTextReadStep = 64 * 1024;

// The bytes of a text being read: not zero-filled before the read fills
// them, grown in place when a stream holds more than it said.
class TextBuffer {
public:
    TextBuffer() = default;
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;
    ~TextBuffer() { std::free(data_); }

    const char* Data() const { return data_ != nullptr ? data_ : ""; }
    size_t Length() const { return length_; }

    // Room for at least `size` bytes in all; false when memory ran out.
    bool Reserve(size_t size)
    {
        if (size <= capacity_)
            return true;
        const size_t capacity = std::max(size, capacity_ * 2);
        char* grown = static_cast<char*>(std::realloc(data_, capacity));
        if (grown == nullptr)
            return false;
        data_ = grown;
        capacity_ = capacity;
        return true;
    }

    // Reads up to `count` more bytes (within the room reserved); returns the count read.
    int64_t Fill(TStream& stream, size_t count)
    {
        count = std::min(count, capacity_ - length_);
        const int64_t got = stream.Read(data_ + length_, int64_t(count));
        if (got > 0)
            length_ += size_t(got);
        return got;
    }

private:
    char* data_ = nullptr;
    size_t capacity_ = 0;
    size_t length_ = 0;
};

}  // namespace

namespace {

size_t ParseTextSoup(SoupHandle& soup, const char* text, size_t length, bool utf8, TextSoupFaults* faults)
{
    soup.Clear();
    soup.EnsureContainer();
    TextSoupParser parser(text, length, faults);
    parser.ReadLevel(soup, utf8, 0);
    // Tags are stored through the setters, so a text without any leaves the
    // handle as cleared.
    if (soup.CountTags() == 0)
        soup.Clear();
    return parser.Consumed();
}

}  // namespace

size_t ReadTextSoup(SoupHandle& soup, const char* text, size_t length, bool utf8)
{
    return ParseTextSoup(soup, text, length, utf8, nullptr);
}

size_t ReadTextSoup(SoupHandle& soup, const char* text, size_t length, bool utf8, TextSoupFaults& faults)
{
    faults = TextSoupFaults();
    return ParseTextSoup(soup, text, length, utf8, &faults);
}

void ReadTextSoup(SoupHandle& soup, TStream& stream, bool utf8)
{
    // The rest of the stream is parsed in memory; the stream is then left
    // where the parser stopped.
    const int64_t start = stream.Tell();
    TextBuffer text;
    // What the stream says it holds is read at once; whatever follows (a
    // stream whose size is not known) in steps.
    const int64_t expected = stream.Size() - start;
    if (expected > 0 && text.Reserve(size_t(expected)))
        text.Fill(stream, size_t(expected));
    while (text.Reserve(text.Length() + kTextReadStep) && text.Fill(stream, kTextReadStep) > 0) {}
    const size_t consumed = ReadTextSoup(soup, text.Data(), text.Length(), utf8);
    stream.MoveTo(start + int64_t(consumed));
}
