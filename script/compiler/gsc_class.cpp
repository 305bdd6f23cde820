// Construction of the code holders and the word counts of a function.
#include "script/compiler/gsc_class.h"

#include "script/compiler/symbols.h"

namespace GSCompiler {

namespace {
// First room and least growth of a function's code: most functions are a
// few statements, and every declared function keeps its buffer until the
// image is written, so a large first room is mostly untouched memory.
constexpr uint32_t kCodeGrowthStep = 256;
constexpr uint32_t kWordListGrowthStep = 64;
}  // namespace

CodeEmitter::CodeEmitter()
{
    code.Prepare(kCodeGrowthStep);
}

GSCFunction::GSCFunction(GSFunctionSymbol* function) : symbol(function)
{
    referenceLocals.Prepare(kWordListGrowthStep);
}

int32_t GSCFunction::ArgumentWords() const
{
    return symbol->parameterCounter;
}

int32_t GSCFunction::LocalWords() const
{
    return symbol->localCount + temporaryCount;
}

GSCClass::GSCClass(GSClassSymbol* cls) : symbol(cls)
{
    referenceMembers.Prepare(kWordListGrowthStep);
}

GSCClass::~GSCClass()
{
    functions.DeleteAll();
}

}  // namespace GSCompiler
