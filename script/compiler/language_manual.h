// The language manual that the compiler prints for "-d".
#pragma once

namespace GSCompiler {

// The whole manual as one text (no trailing line break).
const char* LanguageManual();

}  // namespace GSCompiler
