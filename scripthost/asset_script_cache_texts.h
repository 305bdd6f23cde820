// The script texts cached during one validation, to tell a cached library that still depends on an earlier text.
#pragma once

#include <cstdint>

namespace GSRuntime {
class GSLibrary;
}

// Starts a validation's record afresh.
void ForgetCachedScriptTexts();
// A source of that name checksum was cached with this text checksum: a
// compile now would include that text.
void NoteCachedScriptText(uint32_t nameCrc, uint32_t sourceCrc);
// True when a library the loaded one depends on was built from a text of a
// source cached since the record began, but not from any text cached since:
// the source was edited after the library was compiled. A library of the
// same id still links, so only this tells it is out of date.
bool DependsOnReplacedText(const GSRuntime::GSLibrary* library);
