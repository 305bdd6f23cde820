// printf-style formatting that is safe for formats read from data files (interface texts).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>

// One argument of SafeFormat, typed at the call site so the formatter never
// reads an argument that was not passed.
class SafeFormatArg {
public:
    enum class Kind { Signed, Unsigned, Real, Text, WideText, Pointer };

    template <class T>
    requires(std::is_integral_v<T>&& std::is_signed_v<T>) SafeFormatArg(T value) : kind_(Kind::Signed), signed_(value)
    {}
    template <class T>
    requires(std::is_integral_v<T>&& std::is_unsigned_v<T>) SafeFormatArg(T value)
        : kind_(Kind::Unsigned), unsigned_(value)
    {}
    SafeFormatArg(double value) : kind_(Kind::Real), real_(value) {}
    SafeFormatArg(float value) : kind_(Kind::Real), real_(value) {}
    SafeFormatArg(const char* text) : kind_(Kind::Text), text_(text ? text : "") {}
    SafeFormatArg(const std::string& text) : kind_(Kind::Text), text_(text) {}
    SafeFormatArg(std::string_view text) : kind_(Kind::Text), text_(text) {}
    SafeFormatArg(const char16_t* text) : kind_(Kind::WideText), wide_(text ? text : u"") {}
    SafeFormatArg(const std::u16string& text) : kind_(Kind::WideText), wide_(text) {}
    SafeFormatArg(const void* pointer) : kind_(Kind::Pointer), pointer_(pointer) {}

    Kind GetKind() const { return kind_; }
    std::int64_t AsSigned() const;
    std::uint64_t AsUnsigned() const;
    double AsReal() const;
    // Text of a string argument (wide text narrowed to console text); a
    // number as its decimal text.
    std::string AsText() const;
    const void* AsPointer() const { return pointer_; }

private:
    Kind kind_;
    std::int64_t signed_ = 0;
    std::uint64_t unsigned_ = 0;
    double real_ = 0;
    std::string_view text_;
    std::u16string_view wide_;
    const void* pointer_ = nullptr;
};

// Walks the format and takes the arguments in order, converting by the
// conversion letter (s c d i u o x X f F e E g G a A p, and %%). A missing
// argument prints nothing; %n and positional forms (%1$s) print nothing and
// never write; an unknown conversion is copied as written. For well-formed
// formats the output equals printf's.
std::string SafeFormatList(std::string_view format, std::initializer_list<SafeFormatArg> args);

template <class... Args>
std::string SafeFormat(std::string_view format, const Args&... args)
{
    return SafeFormatList(format, {SafeFormatArg(args)...});
}
