// The compiler driver: one main source compiled into one library image
// (.gsl), its includes compiled once each as dependency units.
#pragma once

#include <string>
#include <vector>

#include "script/compiler/include_dirs.h"

class GSCompileLog;

namespace GSCompiler {

class GSSymbolTable;

// Compiles `sourcePath` into the folder of `outputPath` (else the source's
// own folder), named after the source with ".gsl". The search order: the
// source's folder, then `includeDirs` in the order given (the process-wide
// list is filled for the compile and given back as it was). The error count,
// or 1 when the library cannot be built or written.
int CompileToFolder(const char* sourcePath, const char* outputPath, const GSCIncludeDirList& includeDirs,
                    GSCompileLog* log);

// The in-process compile over the caller's include list (IncludeDirs()).
// Writes the image to `outputPath` when given (else builds it and writes
// nothing). 0 on success; the error count, or 1 when the image cannot be
// built or written. A null source does nothing and gives 0. Holds
// ScriptToolchainLock.
int CompileToFile(GSCompileLog* log, const char* sourceName, const char* outputPath);
// The same; `includes` receives the names (as loaded) of the sources the
// compile included, directly or not, each a library of its own that the
// compiled one depends on.
int CompileToFile(GSCompileLog* log, const char* sourceName, const char* outputPath,
                  std::vector<std::string>* includes);

// Front end and code generation of one main source on a fresh `context`.
// A final "e" of the name is dropped, so "x.gse" compiles under "x.gs" and
// the search finds the protected file again. The error count.
int CompileSource(const char* sourceName, GSSymbolTable* context, GSCompileLog* log);

}  // namespace GSCompiler
