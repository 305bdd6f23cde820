#include "script/compiler/gsc_class.h"

namespace GSCompiler {

CodeEmitter::CodeEmitter() { code.Init(1024); }

GSCFunction::GSCFunction(GSFunctionSymbol* function) : symbol(function) { referenceLocals.Init(64); }

GSCClass::GSCClass(GSClassSymbol* cls) : symbol(cls) { referenceMembers.Init(64); }

GSCClass::~GSCClass() { functions.DeleteAll(); }

}  // namespace GSCompiler
