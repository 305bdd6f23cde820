// printf-style formatting that takes only the arguments it was given.
#include "foundation/base/safe_format.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "foundation/base/console_output.h"
#include "zel/ascii.h"

std::int64_t SafeFormatArg::AsSigned() const
{
    switch (kind_) {
    case Kind::Signed:
        return signed_;
    case Kind::Unsigned:
        return static_cast<std::int64_t>(unsigned_);
    case Kind::Real:
        return static_cast<std::int64_t>(real_);
    case Kind::Pointer:
        return static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(pointer_));
    default:
        return 0;
    }
}

std::uint64_t SafeFormatArg::AsUnsigned() const
{
    switch (kind_) {
    case Kind::Signed:
        return static_cast<std::uint64_t>(signed_);
    case Kind::Unsigned:
        return unsigned_;
    case Kind::Real:
        return static_cast<std::uint64_t>(static_cast<std::int64_t>(real_));
    case Kind::Pointer:
        return reinterpret_cast<std::uintptr_t>(pointer_);
    default:
        return 0;
    }
}

double SafeFormatArg::AsReal() const
{
    switch (kind_) {
    case Kind::Signed:
        return static_cast<double>(signed_);
    case Kind::Unsigned:
        return static_cast<double>(unsigned_);
    case Kind::Real:
        return real_;
    default:
        return 0.0;
    }
}

std::string SafeFormatArg::AsText() const
{
    switch (kind_) {
    case Kind::Text:
        return std::string(text_);
    case Kind::WideText:
        return WideToConsoleText(wide_);
    case Kind::Signed:
        return std::to_string(signed_);
    case Kind::Unsigned:
        return std::to_string(unsigned_);
    case Kind::Real:
        return std::to_string(real_);
    case Kind::Pointer: {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%p", pointer_);
        return buffer;
    }
    }
    return {};
}

namespace {

// One parsed conversion: %[flags][width][.precision][length]letter.
struct ConversionSpec {
    std::string flags;
    int width = -1;
    int precision = -1;
    bool positional = false;
    bool wideLength = false;  // l, ll, j, z, t, q, I64: the value keeps 64 bits
    int narrowLength = 0;     // 1 for h, 2 for hh
    char letter = 0;
};

class ArgumentCursor {
public:
    explicit ArgumentCursor(std::initializer_list<SafeFormatArg> args) : args_(args) {}
    const SafeFormatArg* Next()
    {
        if (next_ >= args_.size())
            return nullptr;
        return args_.begin() + next_++;
    }

private:
    std::initializer_list<SafeFormatArg> args_;
    std::size_t next_ = 0;
};

int ReadNumber(std::string_view format, std::size_t& pos)
{
    long value = 0;
    while (pos < format.size() && Zel::AsciiIsDigit(format[pos])) {
        value = std::min(value * 10 + (format[pos] - '0'), 100000L);
        ++pos;
    }
    return static_cast<int>(value);
}

// The star forms take an int argument; a missing one counts as absent (-1).
int ReadStar(ArgumentCursor& cursor, bool allowNegative)
{
    const SafeFormatArg* arg = cursor.Next();
    if (!arg)
        return allowNegative ? 0 : -1;
    std::int64_t value = arg->AsSigned();
    if (!allowNegative && value < 0)
        return -1;
    if (value > 100000)
        return 100000;
    if (value < -100000)
        return -100000;
    return static_cast<int>(value);
}

// Parses from just after '%'. Returns false when the format ends first.
bool ParseSpec(std::string_view format, std::size_t& pos, ArgumentCursor& cursor, ConversionSpec& spec)
{
    std::size_t digitsStart = pos;
    ReadNumber(format, pos);
    if (pos > digitsStart && pos < format.size() && format[pos] == '$') {
        spec.positional = true;
        ++pos;
    } else {
        pos = digitsStart;
    }
    while (pos < format.size() && std::strchr("-+ #0'", format[pos]))
        spec.flags += format[pos++];
    if (pos < format.size() && format[pos] == '*') {
        ++pos;
        int width = spec.positional ? 0 : ReadStar(cursor, true);
        if (width < 0) {
            spec.flags += '-';
            width = -width;
        }
        spec.width = width;
    } else if (pos < format.size() && Zel::AsciiIsDigit(format[pos])) {
        spec.width = ReadNumber(format, pos);
    }
    if (pos < format.size() && format[pos] == '.') {
        ++pos;
        if (pos < format.size() && format[pos] == '*') {
            ++pos;
            spec.precision = spec.positional ? 0 : ReadStar(cursor, false);
        } else {
            spec.precision = ReadNumber(format, pos);
        }
    }
    while (pos < format.size()) {
        char c = format[pos];
        if (c == 'h') {
            ++spec.narrowLength;
        } else if (c == 'l' || c == 'L' || c == 'q' || c == 'j' || c == 'z' || c == 't') {
            spec.wideLength = true;
        } else if (c == 'I' && format.substr(pos, 3) == "I64") {
            spec.wideLength = true;
            pos += 2;
        } else if (c == 'I' && format.substr(pos, 3) == "I32") {
            pos += 2;
        } else if (c != 'w') {
            break;
        }
        ++pos;
    }
    if (pos >= format.size())
        return false;
    spec.letter = format[pos++];
    return true;
}

std::string NumericPrefix(const ConversionSpec& spec)
{
    std::string prefix = "%";
    for (char f : spec.flags)
        if (f != '\'')
            prefix += f;
    if (spec.width >= 0)
        prefix += std::to_string(spec.width);
    if (spec.precision >= 0) {
        // Two appends: "." + std::string trips a false GCC 12 -Wrestrict warning.
        prefix += '.';
        prefix += std::to_string(spec.precision);
    }
    return prefix;
}

template <class T>
std::string FormatOne(const std::string& spec, T value)
{
    int needed = std::snprintf(nullptr, 0, spec.c_str(), value);
    if (needed <= 0)
        return {};
    std::vector<char> buffer(static_cast<std::size_t>(needed) + 1);
    std::snprintf(buffer.data(), buffer.size(), spec.c_str(), value);
    return std::string(buffer.data(), static_cast<std::size_t>(needed));
}

std::string PadText(const ConversionSpec& spec, std::string text)
{
    if (spec.precision >= 0 && text.size() > static_cast<std::size_t>(spec.precision))
        text.resize(static_cast<std::size_t>(spec.precision));
    if (spec.width > 0 && text.size() < static_cast<std::size_t>(spec.width)) {
        std::string pad(static_cast<std::size_t>(spec.width) - text.size(), ' ');
        bool left = spec.flags.find('-') != std::string::npos;
        text = left ? text + pad : pad + text;
    }
    return text;
}

std::uint64_t NarrowUnsigned(const ConversionSpec& spec, const SafeFormatArg& arg)
{
    std::uint64_t value = arg.AsUnsigned();
    if (spec.narrowLength >= 2)
        return static_cast<std::uint8_t>(value);
    if (spec.narrowLength == 1)
        return static_cast<std::uint16_t>(value);
    // An int passed to %u or %x prints as the 32-bit value printf shows.
    if (!spec.wideLength && arg.GetKind() == SafeFormatArg::Kind::Signed && arg.AsSigned() < 0 &&
        arg.AsSigned() >= INT32_MIN)
        return static_cast<std::uint32_t>(value);
    return value;
}

std::int64_t NarrowSigned(const ConversionSpec& spec, const SafeFormatArg& arg)
{
    std::int64_t value = arg.AsSigned();
    if (spec.narrowLength >= 2)
        return static_cast<std::int8_t>(value);
    if (spec.narrowLength == 1)
        return static_cast<std::int16_t>(value);
    return value;
}

std::string Convert(const ConversionSpec& spec, const SafeFormatArg& arg)
{
    bool isText = arg.GetKind() == SafeFormatArg::Kind::Text || arg.GetKind() == SafeFormatArg::Kind::WideText;
    switch (spec.letter) {
    case 's':
    case 'S':
        return PadText(spec, arg.AsText());
    case 'c':
    case 'C': {
        std::string text = arg.AsText();
        if (!isText)
            text = std::string(1, static_cast<char>(arg.AsSigned()));
        return PadText(ConversionSpec{spec.flags, spec.width, -1}, text.substr(0, 1));
    }
    case 'd':
    case 'i':
        if (isText)
            return PadText(spec, arg.AsText());
        return FormatOne(NumericPrefix(spec) + "lld", static_cast<long long>(NarrowSigned(spec, arg)));
    case 'u':
    case 'o':
    case 'x':
    case 'X':
        if (isText)
            return PadText(spec, arg.AsText());
        return FormatOne(NumericPrefix(spec) + "ll" + spec.letter,
                         static_cast<unsigned long long>(NarrowUnsigned(spec, arg)));
    case 'f':
    case 'F':
    case 'e':
    case 'E':
    case 'g':
    case 'G':
    case 'a':
    case 'A':
        if (isText)
            return PadText(spec, arg.AsText());
        return FormatOne(NumericPrefix(spec) + spec.letter, arg.AsReal());
    case 'p':
        if (arg.GetKind() == SafeFormatArg::Kind::Pointer)
            return FormatOne(NumericPrefix(spec) + "p", arg.AsPointer());
        return FormatOne(NumericPrefix(spec) + "llx", static_cast<unsigned long long>(arg.AsUnsigned()));
    default:
        return {};
    }
}

bool IsKnownLetter(char letter)
{
    return letter != 0 && std::strchr("sScCdiuoxXfFeEgGaApn", letter) != nullptr;
}

}  // namespace

std::string SafeFormatList(std::string_view format, std::initializer_list<SafeFormatArg> args)
{
    std::string out;
    ArgumentCursor cursor(args);
    std::size_t pos = 0;
    while (pos < format.size()) {
        char c = format[pos];
        if (c != '%') {
            out += c;
            ++pos;
            continue;
        }
        std::size_t specStart = pos++;
        if (pos < format.size() && format[pos] == '%') {
            out += '%';
            ++pos;
            continue;
        }
        ConversionSpec spec;
        if (!ParseSpec(format, pos, cursor, spec)) {
            out.append(format.substr(specStart));
            break;
        }
        if (!IsKnownLetter(spec.letter)) {
            out.append(format.substr(specStart, pos - specStart));
            continue;
        }
        if (spec.positional)
            continue;
        const SafeFormatArg* arg = cursor.Next();
        if (!arg || spec.letter == 'n')
            continue;
        out += Convert(spec, *arg);
    }
    return out;
}
