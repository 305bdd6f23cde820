// The front end of a compilation: load, parse, includes once each, semantic pass.
#include "script/compiler/front_end.h"

#include <cstdio>

#include "foundation/base/crc32.h"
#include "script/compiler/compile_log.h"
#include "script/compiler/compile_unit.h"
#include "script/compiler/compiler_state.h"
#include "script/compiler/parser.h"
#include "script/compiler/scanner.h"
#include "script/compiler/semantic.h"
#include "script/compiler/symbols.h"
#include "zel/ascii.h"

namespace GSCompiler {

namespace {

std::string FileNamePart(const std::string& path)
{
    size_t cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string FolderPart(const std::string& path)
{
    size_t cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

std::string Lower(std::string text)
{
    return Zel::AsciiLowerCopy(text);
}

bool HasUtf8Mark(const std::string& text)
{
    return text.size() > 2 && static_cast<unsigned char>(text[0]) == 0xEF &&
           static_cast<unsigned char>(text[1]) == 0xBB && static_cast<unsigned char>(text[2]) == 0xBF;
}

class PlainFileReader : public SourceReader {
public:
    bool Read(const std::string& folder, const std::string& name, std::string* text) override
    {
        std::string path = folder;
        if (!path.empty() && path.back() != '/' && path.back() != '\\')
            path += '/';
        path += name;
        std::FILE* file = std::fopen(path.c_str(), "rb");
        if (file == nullptr)
            return false;
        text->clear();
        // Sized once: growing by appends copied a large source several times.
        if (std::fseek(file, 0, SEEK_END) == 0) {
            long size = std::ftell(file);
            if (size > 0)
                text->reserve(static_cast<size_t>(size));
            std::rewind(file);
        }
        char chunk[65536];
        size_t got = 0;
        while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
            text->append(chunk, got);
        bool ok = !std::ferror(file);
        std::fclose(file);
        return ok;
    }
};

// The front-end tools' search: the folders front to back through a reader;
// the main text may be given in memory.
class FolderListLoader : public SourceLoader {
public:
    FolderListLoader(const std::vector<std::string>& folders, SourceReader* reader, const std::string* mainText)
        : folders_(folders), reader_(reader), mainText_(mainText)
    {}

    bool Load(const std::string& name, Loaded* loaded, const char** container) override
    {
        *container = nullptr;
        if (mainText_ != nullptr) {
            loaded->text = *mainText_;
            mainText_ = nullptr;
            return true;
        }
        static PlainFileReader plainFiles;
        SourceReader* reader = reader_ ? reader_ : &plainFiles;
        static const std::vector<std::string> kCurrentFolder{std::string()};
        for (const std::string& folder : folders_.empty() ? kCurrentFolder : folders_) {
            if (reader->Read(folder, name, &loaded->text))
                return true;
        }
        return false;
    }

private:
    const std::vector<std::string>& folders_;
    SourceReader* reader_;
    const std::string* mainText_;
};

}  // namespace

int LoadAndParse(const char* name, GSCompileUnit* unit, SourceLoader& loader)
{
    CompilerState& state = State();
    state.currentUnit = unit;
    unit->fileName = unit->CopyText(name);
    SourceLoader::Loaded loaded;
    const char* container = nullptr;
    if (!loader.Load(name, &loaded, &container)) {
        Print(unit, "Could not read file %s %s.", container != nullptr ? container : "(null)", name);
        ++unit->errorCount;
        state.currentUnit = nullptr;
        return 1;
    }
    const std::string& text = loaded.text;
    int result = 0;
    if (HasUtf8Mark(text)) {
        Print(unit, "'%s' appears to be UTF-8 encoded, please resave as ANSI.", name);
        result = 1;
    } else {
        yyFlexLexer scanner(text.data(), text.size());
        state.currentScanner = &scanner;
        result = Parse();
        state.currentScanner = nullptr;
    }
    unit->errorCount += result;
    if (result == 0) {
        const size_t skipped = loaded.prefixLength < text.size() ? loaded.prefixLength : text.size();
        unit->sourceCrc = Crc32(text.data() + skipped, text.size() - skipped);
        unit->fileNameCrc = Crc32LowerCase(FileNamePart(name).c_str());
    }
    state.currentUnit = nullptr;
    return result == 0 ? 0 : 1;
}

GSDependentSymbol* CompileIncludes(const std::string& name, GSCompileUnit* unit, GSTreeNode* includes,
                                   SourceLoader& loader, int* includeErrors)
{
    GSSymbolTable* table = unit->context;
    GSDependentSymbol* dependent = table->MakeDependent(FileNamePart(name).c_str());
    if (dependent == nullptr || !table->Declare(nullptr, dependent, true)) {
        Print(unit, "Internal Compiler Error.");
        return nullptr;
    }
    dependent->sourceCrc = unit->sourceCrc;
    dependent->fileNameCrc = unit->fileNameCrc;
    dependent->index = table->dependencyCounter++;
    dependent->fileName = table->CopyName(unit->fileName);
    *includeErrors = 0;
    for (GSTreeNode* node = includes; node != nullptr; node = node->next) {
        if (!node->Is(GROUP_DECLARATION, DECL_INCLUDE) || node->child[0] == nullptr)
            continue;
        const char* included = node->child[0]->text;
        // A file met before (a cycle included) is known by its dependent symbol
        // and not compiled again, whichever folder it came from.
        if (table->FindGlobal(FileNamePart(included).c_str()) != nullptr)
            continue;
        GSCompileUnit dependency;
        dependency.Init(table, unit->log);
        *includeErrors += CompileFile(included, &dependency, false, loader);
    }
    table->ResetReferenceNumbering();
    return dependent;
}

int CompileFile(const char* givenName, GSCompileUnit* unit, bool mainFile, SourceLoader& loader)
{
    const std::string name = Lower(givenName);
    int result = LoadAndParse(name.c_str(), unit, loader);
    if (result != 0)
        return result;
    int includeErrors = 0;
    GSDependentSymbol* dependent = CompileIncludes(name, unit, unit->root, loader, &includeErrors);
    if (dependent == nullptr)
        return 1;
    if (includeErrors != 0)
        return includeErrors;
    unit->context->currentLibrary = dependent;
    unit->errorCount = 0;
    return CheckUnit(unit, !mainFile);
}

FrontEnd::FrontEnd() : context_(new GSSymbolTable()) {}

FrontEnd::~FrontEnd()
{
    ResetState();
}

void FrontEnd::AddIncludeDir(const std::string& folder)
{
    folders_.push_back(folder);
}

GSCompileUnit& FrontEnd::MainUnit()
{
    return context_->mainUnit;
}

GSSymbolTable& FrontEnd::Context()
{
    return *context_;
}

int FrontEnd::ParseOnly(const char* name, const std::string& text, GSCompileLog* log)
{
    context_->ResetPools();
    GSCompileUnit& unit = context_->mainUnit;
    unit.Init(context_.get(), log);
    unit.fileName = unit.CopyText(name);
    yyFlexLexer scanner(text.data(), text.size());
    CompilerState& state = State();
    state.currentUnit = &unit;
    state.currentScanner = &scanner;
    int result = Parse();
    ResetState();
    return result;
}

int FrontEnd::CheckFile(const char* path, GSCompileLog* log)
{
    const std::string full = path;
    folders_.insert(folders_.begin(), FolderPart(full));
    int errors = Check(FileNamePart(full), nullptr, log);
    folders_.erase(folders_.begin());
    return errors;
}

int FrontEnd::CheckText(const char* name, const std::string& text, GSCompileLog* log)
{
    return Check(name, &text, log);
}

int FrontEnd::Check(const std::string& name, const std::string* text, GSCompileLog* log)
{
    context_->ResetPools();
    GSCompileUnit& unit = context_->mainUnit;
    unit.Init(context_.get(), log);
    FolderListLoader loader(folders_, reader_, text);
    return CompileFile(name.c_str(), &unit, true, loader);
}

}  // namespace GSCompiler
