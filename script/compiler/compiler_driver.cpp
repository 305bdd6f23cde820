// The compiler driver: compile units, code generation and the library file.
#include "script/compiler/compiler_driver.h"

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

#include "script/common/byte_buffer.h"
#include "script/common/toolchain_lock.h"
#include "script/common/whole_file_write.h"
#include "script/compiler/class_at_a_time.h"
#include "script/compiler/code_generation.h"
#include "script/compiler/compile_log.h"
#include "script/compiler/compile_unit.h"
#include "script/compiler/compiler_state.h"
#include "script/compiler/library_image_writer.h"
#include "script/compiler/symbols.h"

namespace GSCompiler {

namespace {

constexpr uint32_t kImageGrowthStep = 1024;

void AddFormattedLine(GSCompileLog* log, const char* format, const char* value)
{
    if (log == nullptr)
        return;
    char line[kMaxMessage + 1];
    std::snprintf(line, sizeof line, format, value ? value : "(null)");
    log->AddLine(line);
}

// The context and everything a compilation made are freed on every path.
struct Compilation {
    Compilation() : context(new GSSymbolTable()) {}
    ~Compilation()
    {
        context->Clear();
        ResetState();
    }
    std::unique_ptr<GSSymbolTable> context;
};

class IncludeDirsRestorer {
public:
    explicit IncludeDirsRestorer(GSCIncludeDirList& list) : list_(list), saved_(list) {}
    ~IncludeDirsRestorer() { list_.swap(saved_); }
    IncludeDirsRestorer(const IncludeDirsRestorer&) = delete;
    IncludeDirsRestorer& operator=(const IncludeDirsRestorer&) = delete;

private:
    GSCIncludeDirList& list_;
    GSCIncludeDirList saved_;
};

bool WriteImage(const char* path, const Utils::ByteBuffer& image)
{
    return Utils::WriteWholeFile(nullptr, path, nullptr, 0, image.Data(), image.Length());
}

// Every dependency but the main unit (index 0), in dependency order.
void IncludedSources(GSSymbolTable* context, std::vector<std::string>* includes)
{
    std::vector<const GSDependentSymbol*> byIndex(static_cast<size_t>(context->dependencyCounter), nullptr);
    Utils::HashTable::Iterator it;
    context->globals.Begin(&it);
    for (; it.Node() != nullptr; Utils::HashTable::Next(&it)) {
        const GSSymbol* symbol = static_cast<const GSSymbol*>(it.Node());
        if (symbol->kind == SYM_DEPENDENT && symbol->index > 0 && static_cast<size_t>(symbol->index) < byIndex.size()) {
            byIndex[symbol->index] = static_cast<const GSDependentSymbol*>(symbol);
        }
    }
    for (const GSDependentSymbol* dependent : byIndex) {
        if (dependent != nullptr && dependent->fileName != nullptr)
            includes->push_back(dependent->fileName);
    }
}

}  // namespace

int CompileSource(const char* sourceName, GSSymbolTable* context, GSCompileLog* log)
{
    GSGeneratorContext generator;
    generator.context = context;
    std::string name = sourceName;
    if (!name.empty() && name.back() == 'e')
        name.pop_back();
    context->ResetPools();
    context->libraryStrings.Clear();
    GSCompileUnit& unit = context->mainUnit;
    unit.Init(context, log);
    IncludeDirLoader loader;
    // A class at a time: the parse tree of a whole large source would be
    // most of the compile's memory.
    bool generated = false;
    int errors = CompileClassAtATime(name.c_str(), &unit, loader, &generator, &generated);
    if (errors == 0 && !generated) {
        Print(&unit, "\nInternal Code Generation Error...");
        errors = 1;
    }
    // The image is written from the symbols and the generated code alone.
    unit.root = nullptr;
    unit.nodePool.Destroy();
    return errors;
}

int CompileToFolder(const char* sourcePath, const char* outputPath, const GSCIncludeDirList& includeDirs,
                    GSCompileLog* log)
{
    // Searched last to first: the source's folder, then the -i folders in the
    // order they were given. The list the caller had comes back afterwards, so
    // a command-line compile leaves nothing behind for a later compile (a batch
    // line that validates an asset) to search.
    GSCIncludeDirList& searched = IncludeDirs();
    IncludeDirsRestorer restorer(searched);
    ClearIncludeDirs(searched);
    for (auto folder = includeDirs.rbegin(); folder != includeDirs.rend(); ++folder)
        searched.push_back(*folder);
    Zel::File::Path sourceFolder(sourcePath);
    sourceFolder.DelName();
    searched.push_back(GSCIncludeDir(sourceFolder, Zel::PString()));

    const std::string compiledName = Zel::File::Path(sourcePath).GetFileName();
    Compilation compilation;
    int result = CompileSource(compiledName.c_str(), compilation.context.get(), log);
    if (result != 0)
        return result;

    Zel::File::Path outputFolder(outputPath != nullptr ? outputPath : sourcePath);
    outputFolder.DelName();
    Zel::File::Path baseName(compiledName);
    baseName.SetExt(nullptr);
    Utils::ByteBuffer image;
    if (!image.Init(kImageGrowthStep) || !WriteLibraryImage(compilation.context.get(), log, sourcePath, &image)) {
        if (log != nullptr)
            log->AddLine("Internal Compiler Error.\n");
        return 1;
    }
    std::string outputFile = outputFolder.Str();
    if (!outputFile.empty() && outputFile.back() != '/' && outputFile.back() != '\\')
        outputFile += '/';
    outputFile += baseName.Str() + ".gsl";
    if (!WriteImage(outputFile.c_str(), image)) {
        if (log != nullptr)
            log->AddLine("Unable to open output file.\n");
        return 1;
    }
    return 0;
}

int CompileToFile(GSCompileLog* log, const char* sourceName, const char* outputPath)
{
    return CompileToFile(log, sourceName, outputPath, nullptr);
}

int CompileToFile(GSCompileLog* log, const char* sourceName, const char* outputPath, std::vector<std::string>* includes)
{
    if (sourceName == nullptr)
        return 0;
    std::lock_guard<std::recursive_mutex> hold(ScriptToolchainLock);
    Compilation compilation;
    int result = CompileSource(sourceName, compilation.context.get(), log);
    if (result != 0)
        return result;
    if (includes != nullptr)
        IncludedSources(compilation.context.get(), includes);
    Utils::ByteBuffer image;
    if (!image.Init(kImageGrowthStep) || !WriteLibraryImage(compilation.context.get(), log, sourceName, &image)) {
        AddFormattedLine(log, "Internal Compiler Error on '%s'.\n", sourceName);
        return 1;
    }
    if (outputPath != nullptr && !WriteImage(outputPath, image)) {
        AddFormattedLine(log, "Unable to open output file: '%s'.\n", outputPath);
        return 1;
    }
    return 0;
}

}  // namespace GSCompiler
