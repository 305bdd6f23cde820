// Compiling a main file a class at a time: each class is checked and its code
// generated as soon as it is parsed, and its parse tree released, so a large
// source never holds the whole tree.
#pragma once

namespace GSCompiler {

struct GSCompileUnit;
struct GSGeneratorContext;
class SourceLoader;

// The same messages, errors and generated classes as CompileFile on a main
// file followed by GenerateCode. The error count of the front end (as
// CompileFile's); `generated` tells whether code generation succeeded when
// that count is 0.
int CompileClassAtATime(const char* name, GSCompileUnit* unit, SourceLoader& loader, GSGeneratorContext* generator,
                        bool* generated);

}  // namespace GSCompiler
