// Reads the header of a built-in program text.
#include "zel/program_text.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace Zel {

namespace {

// Reads one header line the way a stream's >> does, word by word, without
// building a stream: texts are parsed at every program start.
class LineScanner {
public:
    explicit LineScanner(std::string_view line) : line_(line) {}

    bool Word(std::string_view& word)
    {
        SkipSpace();
        size_t start = at_;
        while (at_ < line_.size() && !IsSpace(line_[at_]))
            ++at_;
        word = line_.substr(start, at_ - start);
        return !word.empty();
    }

    bool Word(std::string& word)
    {
        std::string_view read;
        if (!Word(read))
            return false;
        word.assign(read);
        return true;
    }

    // An optional sign and decimal digits; what follows them is left for
    // the next read, as a stream leaves it.
    bool Int(int& value)
    {
        SkipSpace();
        size_t start = at_;
        bool negative = false;
        if (at_ < line_.size() && (line_[at_] == '+' || line_[at_] == '-'))
            negative = line_[at_++] == '-';
        size_t digits = at_;
        long long read = 0;
        while (at_ < line_.size() && IsDigit(line_[at_])) {
            if (read <= LLONG_MAX / 100)
                read = read * 10 + (line_[at_] - '0');
            ++at_;
        }
        if (at_ == digits) {
            at_ = start;
            return false;
        }
        if (negative)
            read = -read;
        if (read < INT_MIN || read > INT_MAX)
            return false;
        value = int(read);
        return true;
    }

    // A sign, digits, one point and an exponent after some digit; anything
    // else ends the number. An overflow fails; an underflow keeps the tiny value.
    bool Float(float& value)
    {
        SkipSpace();
        size_t start = at_;
        if (at_ < line_.size() && (line_[at_] == '+' || line_[at_] == '-'))
            ++at_;
        bool mantissa = false;
        bool point = false;
        bool exponent = false;
        while (at_ < line_.size()) {
            char c = line_[at_];
            if (IsDigit(c)) {
                mantissa = true;
            } else if (c == '.' && !point && !exponent) {
                point = true;
            } else if ((c == 'e' || c == 'E') && mantissa && !exponent) {
                exponent = true;
                if (at_ + 1 < line_.size() && (line_[at_ + 1] == '+' || line_[at_ + 1] == '-'))
                    ++at_;
            } else {
                break;
            }
            ++at_;
        }
        std::string_view number = line_.substr(start, at_ - start);
        const char* first = number.data();
        const char* last = first + number.size();
        if (!number.empty() && *first == '+')
            ++first;
        auto [end, fault] = std::from_chars(first, last, value);
        if (end != last || first == last)
            return false;
        if (fault == std::errc::result_out_of_range) {
            value = std::strtof(std::string(number).c_str(), nullptr);
            return !std::isinf(value);
        }
        return fault == std::errc();
    }

private:
    static bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }
    void SkipSpace()
    {
        while (at_ < line_.size() && IsSpace(line_[at_]))
            ++at_;
    }

    std::string_view line_;
    size_t at_ = 0;
};

}  // namespace

bool ParseProgramTextHeader(const std::string& text, ProgramTextHeader& header)
{
    ProgramTextHeader read;
    std::string_view rest(text);
    while (!rest.empty()) {
        size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        LineScanner words(line);
        std::string_view word;
        if (!words.Word(word) || word.starts_with("//"))
            continue;
        if (word == "API(common)") {
            if (read.version.empty())
                return false;
            header = std::move(read);
            return true;
        }
        std::string_view extra;
        if (word == "version") {
            if (!words.Word(read.version) || words.Word(extra))
                return false;
        } else if (word == "program") {
            std::string name;
            if (!words.Word(name) || words.Word(extra))
                return false;
            read.programs.push_back(std::move(name));
        } else if (word == "constant") {
            ProgramTextHeader::Constant constant;
            if (!words.Int(constant.index) || !words.Word(constant.name) || constant.index < 0)
                return false;
            for (float& value : constant.defaults) {
                if (!words.Float(value))
                    return false;
            }
            if (words.Word(extra))
                return false;
            read.constants.push_back(std::move(constant));
        } else {
            return false;
        }
    }
    return false;
}

bool ProgramTextStore::Register(const char* name, const char* text)
{
    ProgramTextHeader header;
    if (!name || !*name || !text || !ParseProgramTextHeader(text, header))
        return false;
    std::lock_guard<std::mutex> guard(lock_);
    headers_[name] = std::move(header);
    return true;
}

bool ProgramTextStore::Find(const std::string& name, ProgramTextHeader& header) const
{
    std::lock_guard<std::mutex> guard(lock_);
    auto found = headers_.find(name);
    if (found == headers_.end())
        return false;
    header = found->second;
    return true;
}

}  // namespace Zel
