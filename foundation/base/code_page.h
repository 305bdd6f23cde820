// Conversion between UTF-8, the "ANSI" code page (fixed Windows-1252) and UTF-16.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Code page numbers as the rest of the program passes them.
constexpr int CP_ACP = 0;  // "ANSI": always the Windows-1252 table, never the process locale
constexpr int CP_1252 = 1252;
constexpr int CP_UTF8 = 65001;

// Decodes one UTF-8 sequence the lenient way old text drawing expects: the
// following bytes are not validated and a lone continuation byte decodes to
// itself. It never reads past a zero byte: a sequence cut short by the end of
// the text, and the lead bytes 0xF8-0xFF, give the lead byte itself with
// length 1, so a caller walking a text always advances and stops at its end.
uint32_t DecodeUTF8Char(const char* text, int* length = nullptr);

// Converts a zero-terminated text in place from one code page to another.
// Returns 0 on success; the needed size in bytes (terminator included) when
// `capacity` is too small, leaving the text unchanged; -1 when the text is not
// valid in the source page (or a page is unknown), after replacing every byte
// 0x80 or above by '?'.
int ConvertCodePage(char* text, int capacity, int fromCodePage, int toCodePage);
int Utf8ToAnsi(int capacity, char* text);
int AnsiToUtf8(int capacity, char* text);

// Whole-string conversions to and from UTF-16. The UTF-8 decoder is strict
// (overlong forms, surrogates, values above U+10FFFF and cut sequences fail);
// "ANSI" never fails (its five unassigned bytes map to U+0081, U+008D, U+008F,
// U+0090 and U+009D); towards "ANSI" an unmappable character becomes '?'.
bool CodePageToUtf16(std::string_view text, int codePage, std::u16string& out);
bool Utf16ToCodePage(std::u16string_view text, int codePage, std::string& out);
