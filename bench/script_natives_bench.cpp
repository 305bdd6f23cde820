// Native classes from scripts: a Soup of 10,000 tags built and read by a script against the soup API from C++, and one native call against one empty script method call.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/best_of.h"
#include "bench/script_api_root.h"
#include "script/compiler/compile_log.h"
#include "script/compiler/compiler_driver.h"
#include "script/compiler/include_dirs.h"
#include "script/vm/call_script_method.h"
#include "script/vm/gs_library.h"
#include "script/vm/gs_machine.h"
#include "script/vm/gs_object.h"
#include "script/vm/script_instance.h"
#include "scripthost/korvel_script_context.h"
#include "scripthost/native_library_setup.h"
#include "soup/soup_handle.h"

namespace {

namespace fs = std::filesystem;

constexpr int Tags = 10000;
// Calls per run of the call-overhead loops: well inside one run's budget of
// executed bytes.
constexpr int Calls = 100000;

constexpr const char* Source = R"(include "Constructors.gs"

class SoupBench
{
  public int Build(int n)
  {
    Soup soup = Constructors.NewSoup();
    int i;
    for (i = 0; i < n; i++)
      soup.SetNamedTag("tag" + i, i);
    int sum = 0;
    for (i = 0; i < n; i++)
      sum = sum + soup.GetNamedTagAsInt("tag" + i);
    return sum + soup.CountTags();
  }

  Soup small = Constructors.NewSoup();
  int Nothing(void) { return 0; }

  public int NativeCalls(int n)
  {
    int i;
    int sum = 0;
    for (i = 0; i < n; i++)
      sum = sum + small.CountTags();
    return sum;
  }
  public int ScriptCalls(int n)
  {
    int i;
    int sum = 0;
    for (i = 0; i < n; i++)
      sum = sum + Nothing();
    return sum;
  }
};
)";

int CppBuild(int n)
{
    SoupHandle soup;
    for (int i = 0; i < n; ++i)
        soup.SetNamedTagInt(Zel::PString(("tag" + std::to_string(i)).c_str()), i);
    int sum = 0;
    for (int i = 0; i < n; ++i)
        sum += soup.GetNamedTagAsInt(Zel::PString(("tag" + std::to_string(i)).c_str()), 0);
    return sum + soup.CountTags();
}

}  // namespace

int main()
{
    char pattern[] = "/tmp/KorvelScriptNativesBench.XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        return 1;
    const std::string base = pattern;
    const std::string root = bench::MakeScriptApiRoot(base);
    fs::create_directories(base + "/work");
    if (!SetUpNativeLibraries()) {
        std::printf("the script API libraries cannot be set up: %s\n", NativeLibrarySetUpFault().c_str());
        return 1;
    }
    std::ofstream(base + "/work/soup_bench.gs") << Source;
    GSCompiler::GSCIncludeDirList& dirs = GSCompiler::IncludeDirs();
    dirs.push_back(GSCIncludeDir(Zel::File::Path((root + "/scripts").c_str()), Zel::PString()));
    dirs.push_back(GSCIncludeDir(Zel::File::Path((base + "/work").c_str()), Zel::PString()));
    GSCompileLog log;
    const int errors = GSCompiler::CompileToFile(&log, "soup_bench.gs", (base + "/work/soup_bench.gsl").c_str());
    GSCompiler::ClearIncludeDirs(dirs);
    uint64_t id = 0;
    GSMachine* machine = GSMachine::Get();
    if (errors != 0 || !machine->AddLibraryFile("", (base + "/work").c_str(), "soup_bench.gsl", &id)) {
        std::printf("the bench script does not compile\n");
        return 1;
    }
    int loaded = 0;
    GSRuntime::GSLibrary* library =
        machine->GetLibrary(static_cast<uint32_t>(id >> 32), static_cast<uint32_t>(id), &loaded);
    GSRuntime::GSClass* cls = library != nullptr ? GSRuntime::GSLibrary::FindClass(library, "SoupBench") : nullptr;
    if (cls == nullptr) {
        std::printf("the bench script does not load (%d)\n", loaded);
        return 1;
    }
    {
        KorvelScriptContext context;
        GSRuntime::GSObject* object = new GSRuntime::GSObject;
        object->AttachScriptInstance(cls, &context);
        auto call = [&](const char* signature, int n) {
            const GSRuntime::Slot argument = GSRuntime::Slot::FromInt(n);
            GSRuntime::Slot result = GSRuntime::Slot::FromInt(0);
            if (!GSRuntime::CallScriptMethod(cls, object->Instance(), signature, {&argument, 1}, &result))
                std::printf("%s failed\n", signature);
            return result.AsInt();
        };
        int scriptSum = 0;
        int cppSum = 0;
        const double script = bench::BestOf([&] { scriptSum = call("$int@SoupBench::Build(int)", Tags); }, 3);
        const double cpp = bench::BestOf([&] { cppSum = CppBuild(Tags); }, 3);
        if (scriptSum != cppSum)
            std::printf("the script's sum %d differs from the soup API's %d\n", scriptSum, cppSum);
        std::printf("script: build and query a Soup of %d tags (ours): %.3f ms\n", Tags, script * 1e3);
        std::printf("soup API from C++, same operations (anchor): %.3f ms\n", cpp * 1e3);
        std::printf("ratio ours/anchor: %.2f\n", script / cpp);

        const double natives = bench::BestOf([&] { call("$int@SoupBench::NativeCalls(int)", Calls); });
        const double methods = bench::BestOf([&] { call("$int@SoupBench::ScriptCalls(int)", Calls); });
        std::printf("native call Soup.CountTags (ours): %.1f ns per call\n", natives / Calls * 1e9);
        std::printf("empty script method call (anchor): %.1f ns per call\n", methods / Calls * 1e9);
        std::printf("ratio ours/anchor: %.2f\n", natives / methods);
        delete object;
    }
    machine->Clear();
    fs::remove_all(base);
    return 0;
}
