// The section and record writers of the library image, one per record kind;
// WriteLibraryImage runs them in the image's write order.
#pragma once

#include <cstddef>
#include <cstdint>

class GSCompileLog;

namespace Utils {
class ByteBuffer;
}

namespace GSCompiler {

class GSSymbolTable;
class GSCClass;
class GSCFunction;
class GSFunctionSymbol;
class GSSymbol;

// Every section and sub-record starts with its size and id: the size word is
// a placeholder until EndRecord patches it with end - start.
size_t BeginRecord(Utils::ByteBuffer* out, uint32_t id);
void EndRecord(Utils::ByteBuffer* out, size_t start);

// Writes the pool index of `text`, interning it; false when the pool is full.
bool WriteString(GSSymbolTable* context, Utils::ByteBuffer* out, const char* text);

// Hands out the class- and function-reference indices that the class records
// will name (bases, result and member classes, method-table functions), in
// the order the records name them, before sections 4 and 5 are written: a
// record may never name an index that those sections lack.
void NumberReferences(GSSymbolTable* context);
// A function's method slot in its class, -1 for none; false (reported) when
// it does not fit the 16 bits that code and loaders give it.
bool WriteMethodSlot(GSCompileLog* log, const GSFunctionSymbol* function, Utils::ByteBuffer* out);
// A member the class record's member table lists: a variable of the class
// itself (not a define, not a local).
bool IsMemberTableEntry(const GSSymbol* member);
// Class-reference index of the class called `className`, or -1.
int32_t ClassReferenceOf(GSSymbolTable* context, const char* className);

// The image starts at position 0 of `out` (the pool pads to image positions).
bool WriteDependencySection(GSSymbolTable* context, GSCompileLog* log, Utils::ByteBuffer* out);
bool WriteStringPool(GSSymbolTable* context, Utils::ByteBuffer* out);
bool WriteClassReferences(GSSymbolTable* context, GSCompileLog* log, Utils::ByteBuffer* out);
bool WriteFunctionReferences(GSSymbolTable* context, GSCompileLog* log, Utils::ByteBuffer* out);
bool WriteClassDefinitions(GSSymbolTable* context, GSCompileLog* log, Utils::ByteBuffer* out);

// One class record (sub-records 7 to 12) and its parts.
bool WriteClassRecord(GSSymbolTable* context, GSCompileLog* log, GSCClass* cls, Utils::ByteBuffer* out);
bool WriteFunctionTable(GSSymbolTable* context, GSCompileLog* log, GSCClass* cls, Utils::ByteBuffer* out);
bool WriteFunctionRecord(GSSymbolTable* context, GSCompileLog* log, GSCFunction* function, Utils::ByteBuffer* out);
bool WriteInitializerRecord(GSSymbolTable* context, GSCompileLog* log, GSCClass* cls, Utils::ByteBuffer* out);
bool WriteMemberTable(GSSymbolTable* context, GSCClass* cls, Utils::ByteBuffer* out);
bool WriteMethodTable(GSCompileLog* log, GSCClass* cls, Utils::ByteBuffer* out);
bool WriteInstanceLayout(GSCClass* cls, Utils::ByteBuffer* out);

}  // namespace GSCompiler
