// Small shared value helpers: code-list append, engine string builders, name/value pairs.
#pragma once

#include <cstdint>
#include <utility>

#include "zel/pstring.h"
#include "zel/string.h"

// Appends the first entry of a ';'/'|' code list to `out`: nothing when the
// text is empty (or null) or begins with ';' or '|'; otherwise ";" first when
// `out` already holds something, then the characters up to the first ';', '|'
// or the end. AppendListEntry("CMP;MESH", "") gives "CMP".
void AppendListEntry(const char* text, Zel::AnsiString& out);

// An engine string from zero-terminated text (null gives the empty string).
Zel::String StringFromText(const char* text);
Zel::String CopyString(const Zel::AnsiString& string);

// A name/value record of two interned strings.
struct PStringPair {
    Zel::PString first;
    Zel::PString second;

    PStringPair() = default;
    PStringPair(Zel::PString name, Zel::PString value) : first(std::move(name)), second(std::move(value)) {}
    PStringPair(const PStringPair&) = default;
    PStringPair& operator=(const PStringPair&) = default;
    // The second string is released before the first.
    ~PStringPair();

    bool operator==(const PStringPair& other) const { return first == other.first && second == other.second; }
};

// Releases both strings of the pair, the second first; both become null.
void ReleasePStringPair(PStringPair& pair);

float SqrtF(float value);

// The script toolchain passes every int or float operand it reads or writes
// through these; they return their argument unchanged.
inline int32_t ByteCodeInt32(int32_t value)
{
    return value;
}
inline float ByteCodeFloat(float value)
{
    return value;
}
