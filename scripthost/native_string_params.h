// String arguments of natives and the script exception a native raises.
#pragma once

#include <cstdint>

#include "zel/pstring.h"
#include "zel/string.h"

namespace GSRuntime {
class GSStack;
}

// Argument 1 of the native call as text. An empty text raises "empty string
// at parameter 1", a null or non-string argument "null string at parameter
// 1": false, and the calling script thread stops.
bool GetNativeStringParam(GSRuntime::GSStack& stack, Zel::String& out);
// Argument n as an interned string. With allowEmpty a null or empty
// argument gives the empty string and true; without, the same exceptions as
// above (with n) and false.
bool GetNativePStringParam(GSRuntime::GSStack& stack, int32_t n, bool allowEmpty, Zel::PString& out);
// Raises the text as a script exception on the current script thread (which
// stops) and returns false.
bool RaiseNativeError(const char* text);
