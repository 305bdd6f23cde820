// Construction of the code holders and the word counts of a function.
#include "script/compiler/gsc_class.h"

#include "script/compiler/symbols.h"

namespace GSCompiler {

CodeEmitter::CodeEmitter() { code.Init(1024); }

GSCFunction::GSCFunction(GSFunctionSymbol* function) : symbol(function) { referenceLocals.Init(64); }

int32_t GSCFunction::ArgumentWords() const { return symbol->parameterCounter; }

int32_t GSCFunction::LocalWords() const { return symbol->localCount + temporaryCount; }

GSCClass::GSCClass(GSClassSymbol* cls) : symbol(cls) { referenceMembers.Init(64); }

GSCClass::~GSCClass() { functions.DeleteAll(); }

}  // namespace GSCompiler
