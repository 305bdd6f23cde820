// The front end of a compilation: finding and loading each source, parsing
// it, compiling its includes once each as dependency units, and the semantic
// pass. The compiler driver and the front-end tools share these steps.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class GSCompileLog;

namespace GSCompiler {

struct GSCompileUnit;
struct GSTreeNode;
class GSDependentSymbol;
class GSSymbolTable;

// Finds a source by name and loads its text.
class SourceLoader {
public:
    struct Loaded {
        std::string text;
        // Bytes of a one-shot prefix in front of the text; the source CRC skips them.
        uint32_t prefixLength = 0;
    };
    virtual ~SourceLoader() = default;
    // True with the text when some folder holds `name` and it loads. On false
    // `container` names the container of the folder tried last (null when
    // none, or the plain file system), for the message.
    virtual bool Load(const std::string& name, Loaded* loaded, const char** container) = 0;
};

// Reads a source by name from one folder (tools and tests serve files from
// memory with it).
class SourceReader {
public:
    virtual ~SourceReader() = default;
    // True with the text when `folder` + `name` exists and loads.
    virtual bool Read(const std::string& folder, const std::string& name, std::string* text) = 0;
};

// Loads and parses one file into `unit` (which becomes the current unit for
// the parse); 0 on success, else 1 with the unit's error count raised.
int LoadAndParse(const char* name, GSCompileUnit* unit, SourceLoader& loader);
// After a file `name` (lower case) is parsed into `unit`: declares its
// dependent symbol and compiles every file of the `includes` list that the
// compilation has not met yet (declarations only), adding their error counts
// to `includeErrors`. The symbol, or null (reported) when it cannot be made.
GSDependentSymbol* CompileIncludes(const std::string& name, GSCompileUnit* unit, GSTreeNode* includes,
                                   SourceLoader& loader, int* includeErrors);
// Loads, parses and checks one file and, before its checks, every file it
// includes that the compilation has not met yet (declarations only). The
// unit's context must have been reset. The error count of this unit and its
// dependencies (a file that does not load or parse counts 1).
int CompileFile(const char* name, GSCompileUnit* unit, bool mainFile, SourceLoader& loader);

// The front end on its own, without code generation: for the dump tool, the
// fuzz target and the tests. Sources come from plain files or a reader.
class FrontEnd {
public:
    FrontEnd();
    ~FrontEnd();
    FrontEnd(const FrontEnd&) = delete;
    FrontEnd& operator=(const FrontEnd&) = delete;

    // Folders searched after the main file's own folder, in the order given.
    void AddIncludeDir(const std::string& folder);
    void SetReader(SourceReader* reader) { reader_ = reader; }

    // Scans and parses one text as the main unit; the parse result (0, 1, 2).
    int ParseOnly(const char* name, const std::string& text, GSCompileLog* log);
    // Runs the whole front end on a main file: loads and parses it, compiles
    // its includes as dependency units (declarations only), then checks it.
    // The error count (a file that fails to load or parse counts 1).
    int CheckFile(const char* path, GSCompileLog* log);
    // The same on a text held in memory, named `name` in the messages.
    int CheckText(const char* name, const std::string& text, GSCompileLog* log);

    GSCompileUnit& MainUnit();
    GSSymbolTable& Context();

private:
    int Check(const std::string& name, const std::string* text, GSCompileLog* log);

    std::unique_ptr<GSSymbolTable> context_;
    std::vector<std::string> folders_;
    SourceReader* reader_ = nullptr;
};

}  // namespace GSCompiler
