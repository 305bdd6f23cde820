// Writes the compiled library image (.gsl bytes) from the code holders of a
// successful code generation.
#pragma once

class GSCompileLog;

namespace Utils {
class ByteBuffer;
}

namespace GSCompiler {

class GSSymbolTable;

// On true `out` holds the whole image; on false nothing usable was written
// (the caller reports "Internal Compiler Error.").
bool WriteLibraryImage(GSSymbolTable* context, GSCompileLog* log, const char* libraryName, Utils::ByteBuffer* out);

}  // namespace GSCompiler
