// Locale-free number scanning and printing with the C runtime's "%d", "%f"
// and "%g" behaviour, as soup values have always been read and written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace SoupNumberText {

// The "%d" scan is ScanDecimalInt32 of kuid/decimal_scan.h.

// "%f" scan of the longest prefix with the shape of a decimal number
// (no "inf", "nan" or hex floats). False (value untouched) when none.
bool ScanFloat(const char* text, size_t length, float& value);

// The converters' number check: optional '-', then digits with at most one
// '.', and after a '.' at most one exponent 'e', a sign and at least one
// more character; trailing blanks and tabs are ignored.
bool PassesNumberCheck(const char* text, size_t length);

// "%d" and "%g" in the C locale, appended to out.
void AppendInt32(std::string& out, int32_t value);
void AppendFloatG(std::string& out, float value);

}  // namespace SoupNumberText
