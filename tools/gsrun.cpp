// gsrun: the script machine's test harness. Compiles the core library and a
// source, loads and links them, makes an object of a class in a context of
// its own, runs the steps given and reports what is left alive.
//   gsrun [--core DIR] [-I DIR]... [--seed N] SOURCE.gs CLASS [STEP]...
//   gsrun --host [--root DIR] [--asset KUID] [-I DIR]... [--seed N] SOURCE.gs CLASS [STEP]...
//   STEP: --call SIG [--int N|--float F|--str S|--null]...
//         --process K [--dt S]      --step K [--dt S]
// Output lines (a contract for outside checks): "LOG <text>" per script log
// line, "LOAD <result>", "CALL <sig> -> ok <value>" or "CALL <sig> -> fail",
// "LIVE <n>". Exit 0 when everything asked for succeeded.
// With --host the object lives in the script host's context, every native
// class registered, and SOURCE may include the script API ("Soup.gs", ...):
// it links against the installation's compiled "libraries" (the given root,
// the one this program is installed in, else the build's own API). With a
// daemon (--root or --asset) library assets become library objects on a
// script's GetLibrary, their plug-ins loaded from the root's bin/plugins.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "script/compiler/compile_log.h"
#include "script/compiler/compiler_driver.h"
#include "script/compiler/include_dirs.h"
#include "script/vm/call_script_method.h"
#include "script/vm/gs_class.h"
#include "script/vm/gs_context.h"
#include "script/vm/gs_game_object.h"
#include "script/vm/gs_heap.h"
#include "script/vm/gs_library.h"
#include "script/vm/gs_machine.h"
#include "script/vm/gs_router.h"
#include "script/vm/gs_string.h"
#include "script/vm/math_natives.h"
#include "script/vm/script_instance.h"
#include "script/vm/script_log.h"
#include "script/vm/tracked_pool.h"
#include "assetdb/kad_client.h"
#include "assetdb/net/net_transport.h"
#include "foundation/base/install_paths.h"
#include "kuid/kuid.h"
#include "scripthost/gso_kuid.h"
#include "scripthost/gso_library.h"
#include "scripthost/korvel_base_spec.h"
#include "scripthost/korvel_script_context.h"
#include "scripthost/native_library_setup.h"
#include "zel/ascii.h"
#include "zel/file.h"

#ifndef KORVEL_CORE_SCRIPTS_DIR
#define KORVEL_CORE_SCRIPTS_DIR "data/scripts"
#endif
#ifndef KORVEL_SCRIPT_API_SOURCES_DIR
#define KORVEL_SCRIPT_API_SOURCES_DIR "data/api"
#endif
#ifndef KORVEL_SCRIPT_LIBRARIES_DIR
#define KORVEL_SCRIPT_LIBRARIES_DIR "libraries"
#endif

using namespace GSRuntime;

namespace {

// The name under which the folder of compiled core libraries is mounted, so
// that they register by their bare file names ("gs.gsl").
constexpr const char* kCoreStore = "gsruncore";

struct Argument {
    enum Kind { Int, Float, String, Null } kind;
    std::string text;
};

struct Step {
    enum Kind { Call, Process, RouterStep } kind;
    std::string signature;
    std::vector<Argument> arguments;
    int count = 0;
    float dt = 0.0f;
};

struct Options {
    bool host = false;
    std::string root;
    KUID asset;
    std::string coreFolder;
    std::vector<std::string> includeFolders;
    bool seeded = false;
    int32_t seed = 0;
    std::string source;
    std::string className;
    std::vector<Step> steps;
};

void PrintLogLines(const char* format, ...)
{
    char buffer[16384];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    const char* line = buffer;
    while (true) {
        const char* end = std::strchr(line, '\n');
        if (end == nullptr) {
            if (*line != '\0' || line == buffer)
                std::printf("LOG %s\n", line);
            break;
        }
        std::printf("LOG %.*s\n", static_cast<int>(end - line), line);
        line = end + 1;
    }
}

int Usage()
{
    std::fprintf(
        stderr,
        "usage: gsrun [--core DIR] [-I DIR]... [--seed N] SOURCE.gs CLASS [STEP]...\n"
        "       gsrun --host [--root DIR] [--asset KUID] [-I DIR]... [--seed N] SOURCE.gs CLASS [STEP]...\n"
        "  STEP: --call SIG [--int N|--float F|--str S|--null]... | --process K [--dt S] | --step K [--dt S]\n");
    return 2;
}

std::string DefaultCoreFolder()
{
    // Installed next to the program's folder ("bin/../scripts"), else the
    // sources this build was made from.
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length > 0) {
        path[length] = '\0';
        std::string folder(path);
        folder = folder.substr(0, folder.rfind('/'));
        folder = folder.substr(0, folder.rfind('/')) + "/scripts";
        struct stat info;
        if (stat((folder + "/gs.gs").c_str(), &info) == 0)
            return folder;
    }
    return KORVEL_CORE_SCRIPTS_DIR;
}

bool ParseSteps(int argc, char** argv, int i, Options* options)
{
    while (i < argc) {
        const std::string word = argv[i++];
        Step step;
        if (word == "--call") {
            if (i >= argc)
                return false;
            step.kind = Step::Call;
            step.signature = argv[i++];
            while (i < argc) {
                const std::string kind = argv[i];
                if (kind == "--null") {
                    step.arguments.push_back({Argument::Null, ""});
                    ++i;
                    continue;
                }
                Argument::Kind argumentKind;
                if (kind == "--int")
                    argumentKind = Argument::Int;
                else if (kind == "--float")
                    argumentKind = Argument::Float;
                else if (kind == "--str")
                    argumentKind = Argument::String;
                else
                    break;
                if (i + 1 >= argc)
                    return false;
                step.arguments.push_back({argumentKind, argv[i + 1]});
                i += 2;
            }
        } else if (word == "--process" || word == "--step") {
            if (i >= argc)
                return false;
            step.kind = word == "--process" ? Step::Process : Step::RouterStep;
            step.count = std::atoi(argv[i++]);
            if (i + 1 < argc && std::string(argv[i]) == "--dt") {
                step.dt = static_cast<float>(std::atof(argv[i + 1]));
                i += 2;
            }
        } else {
            return false;
        }
        options->steps.push_back(step);
    }
    return true;
}

bool ParseOptions(int argc, char** argv, Options* options)
{
    int i = 1;
    while (i < argc) {
        const std::string word = argv[i];
        if (word == "--host") {
            options->host = true;
            ++i;
            continue;
        }
        if (word != "--core" && word != "-I" && word != "--seed" && word != "--root" && word != "--asset")
            break;
        if (i + 1 >= argc)
            return false;
        if (word == "--root") {
            options->root = argv[i + 1];
        } else if (word == "--asset") {
            options->asset = KUID::Parse(argv[i + 1], false);
            if (options->asset.IsNull())
                return false;
        } else if (word == "--core") {
            options->coreFolder = argv[i + 1];
        } else if (word == "-I") {
            options->includeFolders.push_back(argv[i + 1]);
        } else {
            options->seeded = true;
            options->seed = static_cast<int32_t>(std::strtol(argv[i + 1], nullptr, 10));
        }
        i += 2;
    }
    if (i + 2 > argc || (!options->host && (!options->root.empty() || !options->asset.IsNull())))
        return false;
    options->source = argv[i];
    options->className = argv[i + 1];
    return ParseSteps(argc, argv, i + 2, options);
}

std::vector<std::string> SourcesIn(const std::string& folder)
{
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr)
        return names;
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() > 3 && Zel::AsciiEqualIgnoreCase(std::string_view(name).substr(name.size() - 3), ".gs"))
            names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::string BaseName(const std::string& path)
{
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string WithoutExtension(const std::string& name)
{
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

// The compiler's messages go to stderr; stdout carries only the contract.
void PrintCompileLog(GSCompileLog& log)
{
    const char* line = nullptr;
    while (log.TakeLine(&line))
        std::fputs(line, stderr);
}

// Compiles one source found through the include list (searched last entry
// first) into `output`; `includes` gets what it included.
bool Compile(const std::string& name, const std::vector<std::string>& searchLastFirst, const std::string& output,
             std::vector<std::string>* includes = nullptr)
{
    GSCompiler::GSCIncludeDirList& dirs = GSCompiler::IncludeDirs();
    GSCompiler::ClearIncludeDirs(dirs);
    for (const std::string& folder : searchLastFirst)
        dirs.push_back(GSCIncludeDir(Zel::File::Path(folder.c_str()), Zel::PString()));
    GSCompileLog log;
    const int errors = GSCompiler::CompileToFile(&log, name.c_str(), output.c_str(), includes);
    PrintCompileLog(log);
    GSCompiler::ClearIncludeDirs(dirs);
    return errors == 0;
}

// The source and every source it includes that is not a core source, each
// into a library of its own in the work folder; `libraries` gets their
// file names, the source's first.
bool CompileWithIncludes(const Options& options, const std::string& storeFolder, const std::string& workFolder,
                         std::vector<std::string>* libraries)
{
    // The source's folder is searched first, then the -I folders in order,
    // then the store's sources (already compiled: not compiled again).
    std::vector<std::string> search = {storeFolder};
    for (auto folder = options.includeFolders.rbegin(); folder != options.includeFolders.rend(); ++folder)
        search.push_back(*folder);
    search.push_back(FolderOf(options.source));
    std::vector<std::string> done;
    for (const std::string& core : SourcesIn(storeFolder))
        done.push_back(Zel::AsciiLowerCopy(core));
    std::vector<std::string> pending = {BaseName(options.source)};
    bool ok = true;
    while (!pending.empty()) {
        const std::string name = pending.front();
        pending.erase(pending.begin());
        const std::string library = WithoutExtension(BaseName(name)) + ".gsl";
        std::vector<std::string> includes;
        ok = Compile(name, search, workFolder + "/" + library, &includes) && ok;
        done.push_back(Zel::AsciiLowerCopy(name));
        libraries->push_back(library);
        for (const std::string& include : includes) {
            if (std::find(done.begin(), done.end(), Zel::AsciiLowerCopy(include)) == done.end() &&
                std::find(pending.begin(), pending.end(), include) == pending.end()) {
                pending.push_back(include);
            }
        }
    }
    return ok;
}

GSClass* FindClassFrom(GSLibrary* library, const std::string& name)
{
    if (GSClass* cls = GSLibrary::FindClass(library, name))
        return cls;
    for (uint32_t i = 0; i < library->DependencyCount(); ++i) {
        if (GSClass* cls = GSLibrary::FindClass(library->Dependency(i), name))
            return cls;
    }
    return nullptr;
}

// The signature's result type: the text between "$" and "@".
std::string ResultType(const std::string& signature)
{
    const size_t at = signature.find('@');
    return signature.size() > 1 && at != std::string::npos ? signature.substr(1, at - 1) : std::string();
}

std::string FormatResult(const std::string& type, Slot value)
{
    char text[64];
    if (type == "void")
        return "void";
    if (type == "int" || type == "bool") {
        std::snprintf(text, sizeof text, "%d", value.AsInt());
        return text;
    }
    if (type == "float") {
        std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value.AsFloat()));
        return text;
    }
    if (value.IsZero())
        return "null";
    if (type == "string") {
        const GSString* string = GSString::FromHandle(value.AsHandle());
        return "\"" + std::string(string != nullptr ? string->Text().View() : std::string_view()) + "\"";
    }
    const GSClass* cls = GSScriptInstance::FromHandle(value.AsHandle())->cls;
    return std::string("object ") + (cls != nullptr ? cls->Name() : type.c_str());
}

bool IsReferenceResult(const std::string& type)
{
    return type != "void" && type != "int" && type != "bool" && type != "float";
}

// The parameter type names of a signature ("int", "string", a class name,
// "int[]", ...); false when it has no parameter list.
bool ParameterTypes(const std::string& signature, std::vector<std::string>* types)
{
    const size_t open = signature.find('(');
    const size_t close = signature.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open)
        return false;
    const std::string list = signature.substr(open + 1, close - open - 1);
    size_t start = 0;
    while (!list.empty()) {
        const size_t comma = list.find(',', start);
        types->push_back(list.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return true;
}

// Whether an argument of this kind may be passed as a parameter of this
// type. The machine takes a raw word per argument and counts a reference
// for every string, object and array parameter, so an int given for a
// string would be followed as a pointer: the kinds must match. Null is a
// zero word, which every type can hold.
bool ArgumentFits(Argument::Kind kind, const std::string& type)
{
    switch (kind) {
    case Argument::Null:
        return true;
    case Argument::Int:
        return type == "int" || type == "bool";
    case Argument::Float:
        return type == "float";
    case Argument::String:
        return type == "string";
    }
    return false;
}

const char* ArgumentOption(Argument::Kind kind)
{
    switch (kind) {
    case Argument::Int:
        return "--int";
    case Argument::Float:
        return "--float";
    case Argument::String:
        return "--str";
    case Argument::Null:
        return "--null";
    }
    return "";
}

// False, with the reason on stderr, when the arguments do not fit the
// signature's parameters.
bool ArgumentsFit(const Step& step)
{
    std::vector<std::string> types;
    if (!ParameterTypes(step.signature, &types))
        return true;  // not a signature any method has: the call fails by itself
    if (types.size() != step.arguments.size()) {
        std::fprintf(stderr, "gsrun: %s takes %zu arguments, %zu given\n", step.signature.c_str(), types.size(),
                     step.arguments.size());
        return false;
    }
    for (size_t i = 0; i < types.size(); ++i) {
        if (!ArgumentFits(step.arguments[i].kind, types[i])) {
            std::fprintf(stderr, "gsrun: argument %zu of %s is %s, %s cannot give it\n", i + 1, step.signature.c_str(),
                         types[i].c_str(), ArgumentOption(step.arguments[i].kind));
            return false;
        }
    }
    return true;
}

bool RunCall(const Step& step, GSObject* object, GSContext* context)
{
    if (!ArgumentsFit(step)) {
        std::printf("CALL %s -> fail\n", step.signature.c_str());
        return false;
    }
    std::vector<Slot> arguments;
    std::vector<GSString*> strings;
    for (const Argument& argument : step.arguments) {
        switch (argument.kind) {
        case Argument::Int:
            arguments.push_back(Slot::FromInt(static_cast<int32_t>(std::strtol(argument.text.c_str(), nullptr, 10))));
            break;
        case Argument::Float:
            arguments.push_back(Slot::FromFloat(static_cast<float>(std::atof(argument.text.c_str()))));
            break;
        case Argument::String:
            strings.push_back(new GSString(context, std::string_view(argument.text)));
            arguments.push_back(Slot::FromPointer(strings.back()->GetScriptInstance()));
            break;
        case Argument::Null:
            arguments.push_back(Slot::FromInt(0));
            break;
        }
    }
    Slot result = Slot::FromInt(0);
    GSScriptInstance* instance = object->Instance();
    const bool ok =
        instance != nullptr && CallScriptMethod(instance->cls, instance, step.signature, arguments, &result);
    const std::string type = ResultType(step.signature);
    if (ok)
        std::printf("CALL %s -> ok %s\n", step.signature.c_str(), FormatResult(type, result).c_str());
    else
        std::printf("CALL %s -> fail\n", step.signature.c_str());
    if (ok && IsReferenceResult(type))
        GSScriptInstance::Release(result.AsHandle());
    for (GSString* string : strings)
        GSScriptInstance::Release(string->GetScriptInstance());
    return ok;
}

bool RunSteps(const Options& options, GSObject* object, GSContext* context)
{
    bool ok = true;
    for (const Step& step : options.steps) {
        switch (step.kind) {
        case Step::Call:
            ok = RunCall(step, object, context) && ok;
            break;
        case Step::Process:
            for (int i = 0; i < step.count; ++i) {
                if (object->GetKind() == GSObjectReference::KindGameObject)
                    static_cast<GSGameObject*>(object)->Process(step.dt);
            }
            break;
        case Step::RouterStep:
            for (int i = 0; i < step.count; ++i)
                context->Router()->Step(step.dt);
            break;
        }
    }
    return ok;
}

class TestContext : public GSContext {
public:
    TestContext() : GSContext(new GSRouter, false) {}
};

// The installation root of the script host: given, the one this program is
// installed in, else one made in the work folder from the build's script
// API (its sources and the libraries compiled from them).
std::string HostRoot(const Options& options, const std::string& workFolder)
{
    namespace fs = std::filesystem;
    if (!options.root.empty())
        return options.root;
    const std::string installed = FolderOf(DefaultCoreFolder());
    std::error_code error;
    if (DefaultCoreFolder() != KORVEL_CORE_SCRIPTS_DIR && fs::is_directory(installed + "/libraries", error))
        return installed;
    const std::string root = workFolder + "/root";
    fs::create_directories(root + "/scripts", error);
    fs::create_directories(root + "/bin", error);
    const auto copying = fs::copy_options::recursive | fs::copy_options::overwrite_existing;
    fs::copy(KORVEL_CORE_SCRIPTS_DIR, root + "/scripts", copying, error);
    fs::copy(KORVEL_SCRIPT_API_SOURCES_DIR, root + "/scripts", copying, error);
    fs::copy(KORVEL_SCRIPT_LIBRARIES_DIR, root + "/libraries", copying, error);
    return root;
}

// Installs the paths of the root and registers every native class; false
// (with the reason on stderr) when the script API is not there. With an
// installation of its own (--root or --asset) the asset-database daemon of
// that root answers the natives that ask it (launched when not running).
bool StartHost(const Options& options, const std::string& root)
{
    if (!InitInstallPaths(Zel::File::Path(root.c_str()))) {
        std::fprintf(stderr, "gsrun: cannot use %s as an installation root\n", root.c_str());
        return false;
    }
    CreateUserFolders();
    if (!SetUpNativeLibraries()) {
        std::fprintf(stderr, "gsrun: %s\n", NativeLibrarySetUpFault().c_str());
        return false;
    }
    RegisterKorvelBaseSpec();
    if (!options.root.empty() || !options.asset.IsNull()) {
        NetTransport::Startup();
        KADClientOptions client;
        client.mayStartDaemon = 1;
        if (!KADClient::Start(client)) {
            std::fprintf(stderr, "gsrun: no asset-database daemon answers in %s\n", root.c_str());
            return false;
        }
        // Library assets become library objects on a script's GetLibrary.
        RegisterLibrarySpecFactory();
    }
    return true;
}

int64_t LiveCount()
{
    return LiveScriptInstances() + GSHeap::Context().LiveBytes() + GSTrackedPool::LiveSlots();
}

// Runs everything after the libraries are compiled; false when anything
// asked for failed.
bool Run(const Options& options, const std::string& workFolder, const std::string& coreFolder,
         const std::vector<std::string>& libraries)
{
    GSMachine* machine = GSMachine::Get();
    if (!options.host) {
        Zel::File::Subst(kCoreStore, coreFolder.c_str());
        machine->AddLibraryFolder(kCoreStore);
    }
    uint64_t id = 0;
    for (size_t i = libraries.size(); i-- > 0;) {
        if (!machine->AddLibraryFile("", workFolder.c_str(), libraries[i].c_str(), &id)) {
            std::fprintf(stderr, "gsrun: %s/%s is not a library image\n", workFolder.c_str(), libraries[i].c_str());
            return false;
        }
    }
    int result = 0;
    GSLibrary* library = machine->GetLibrary(static_cast<uint32_t>(id >> 32), static_cast<uint32_t>(id), &result);
    std::printf("LOAD %d\n", result);
    if (library == nullptr)
        return false;
    GSClass* cls = FindClassFrom(library, options.className);
    if (cls == nullptr) {
        std::fprintf(stderr, "gsrun: no class %s in %s or its dependencies\n", options.className.c_str(),
                     options.source.c_str());
        return false;
    }
    bool ok = true;
    {
        std::unique_ptr<GSContext> owned;
        if (options.host)
            owned = std::make_unique<KorvelScriptContext>(options.asset);
        else
            owned = std::make_unique<TestContext>();
        GSContext& context = *owned;
        GSObject* object = nullptr;
        if (IsGameObjectClass(cls)) {
            GSGameObject* gameObject = new GSGameObject;
            context.Router()->AddNode(gameObject);
            object = gameObject;
        } else {
            object = new GSObject;
        }
        if (object->AttachScriptInstance(cls, &context)) {
            ok = RunSteps(options, object, &context);
        } else {
            std::fprintf(stderr, "gsrun: could not make an instance of %s\n", options.className.c_str());
            ok = false;
        }
        delete object;
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    setvbuf(stdout, nullptr, _IOLBF, 0);
    Options options;
    if (!ParseOptions(argc, argv, &options))
        return Usage();
    if (options.coreFolder.empty())
        options.coreFolder = DefaultCoreFolder();
    GSLogCallback.store(PrintLogLines);

    const char* tmp = std::getenv("TMPDIR");
    std::string folderTemplate = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/gsrun-XXXXXX";
    if (mkdtemp(folderTemplate.data()) == nullptr) {
        std::fprintf(stderr, "gsrun: cannot make a work folder in %s\n", tmp != nullptr ? tmp : "/tmp");
        return 2;
    }
    const std::string workFolder = folderTemplate;
    const std::string coreFolder = workFolder + "/core";
    mkdir(coreFolder.c_str(), 0700);

    bool compiled = true;
    std::string storeFolder = options.coreFolder;
    if (options.host) {
        const std::string root = HostRoot(options, workFolder);
        storeFolder = root + "/scripts";
        compiled = StartHost(options, root);
    } else {
        for (const std::string& name : SourcesIn(options.coreFolder))
            compiled =
                Compile(name, {options.coreFolder}, coreFolder + "/" + WithoutExtension(name) + ".gsl") && compiled;
    }
    std::vector<std::string> libraries;
    compiled = compiled && CompileWithIncludes(options, storeFolder, workFolder, &libraries);

    bool ok = false;
    if (compiled) {
        // The machine seeds the random state from the clock when it starts.
        GSMachine::Get();
        if (options.seeded)
            SetMathRandomState(options.seed);
        ok = Run(options, workFolder, coreFolder, libraries);
    }
    GSMachine::Get()->Clear();
    if (KADClient::IsStarted()) {
        KADClient::Shutdown();
        NetTransport::Shutdown();
    }
    Zel::File::Subst(kCoreStore, nullptr);
    std::printf("LIVE %lld\n", static_cast<long long>(LiveCount()));
    Zel::File::Prune(workFolder.c_str());
    return ok && LiveCount() == 0 ? 0 : 1;
}
