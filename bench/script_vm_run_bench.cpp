// script_vm_run_bench: the interpreter on the workloads of
// script_vm_scripts/workloads.gs against their Lua 5.4 twin (lua5.4 run in
// the same run; both print the same checksum), and the threaded dispatch
// against the switch build of the same machine (a second program built
// from the same sources, run from here). Each measured call stays under
// the run budget; the per-call overhead of an empty method is reported.
//   script_vm_run_bench           the table of ratios
//   script_vm_run_bench --raw     "name seconds checksum" lines (for the peer)
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "best_of.h"
#include "script/compiler/compile_log.h"
#include "script/compiler/compiler_driver.h"
#include "script/compiler/include_dirs.h"
#include "script/vm/call_script_method.h"
#include "script/vm/gs_class.h"
#include "script/vm/gs_context.h"
#include "script/vm/gs_game_object.h"
#include "script/vm/gs_library.h"
#include "script/vm/gs_machine.h"
#include "script/vm/gs_router.h"
#include "script/vm/script_instance.h"
#include "zel/file.h"

using namespace GSRuntime;

namespace {

struct Workload {
    const char* name;
    const char* signature;
    int32_t argument;
    int calls;  // per measurement
    const char* goal;
};

// Sized so that one call stays well under the 16,777,216-byte budget.
const Workload kWorkloads[] = {
    {"loop", "$int@Bench::Loop(int)", 300000, 10, "<= 2"},
    {"fib", "$int@Bench::Fib(int)", 25, 10, "<= 2"},
    {"strings", "$int@Bench::Strings(int)", 2000, 10, "<= 3"},
    {"arrays", "$int@Bench::Arrays(int)", 100000, 10, "<= 3"},
    {"objects", "$int@Bench::Objects(int)", 10000, 10, "<= 3"},
    {"empty", "$void@Bench::Empty()", 0, 100000, "per-call overhead"},
};

constexpr int kRounds = 10000;  // ping-pong hand-overs per measurement

struct Result {
    double seconds = 0;  // per call
    long long checksum = 0;
};

std::string Folder(const char* path)
{
    const std::string text = path;
    return text.substr(0, text.rfind('/'));
}

bool Compile(const std::string& source, const std::string& output)
{
    GSCompiler::GSCIncludeDirList& dirs = GSCompiler::IncludeDirs();
    GSCompiler::ClearIncludeDirs(dirs);
    dirs.push_back(GSCIncludeDir(Zel::File::Path(KORVEL_CORE_SCRIPTS_DIR), Zel::PString()));
    dirs.push_back(GSCIncludeDir(Zel::File::Path(KORVEL_BENCH_SCRIPTS_DIR), Zel::PString()));
    GSCompileLog log;
    const int errors = GSCompiler::CompileToFile(&log, source.c_str(), output.c_str());
    GSCompiler::ClearIncludeDirs(dirs);
    const char* line = nullptr;
    while (log.TakeLine(&line))
        std::fputs(line, stderr);
    return errors == 0;
}

class World {
public:
    bool Build(const std::string& work)
    {
        if (!Compile("gs.gs", work + "/gs.gsl") || !Compile("workloads.gs", work + "/workloads.gsl"))
            return false;
        Zel::File::Subst("vmbench", work.c_str());
        if (!GSMachine::Get()->AddLibraryFolder("vmbench"))
            return false;
        GSLibrary* library = GSMachine::Get()->GetLibraryByName("workloads.gsl");
        GSClass* cls = GSLibrary::FindClass(library, "Bench");
        if (cls == nullptr)
            return false;
        context_ = std::make_unique<GSContext>(new GSRouter);
        for (GSGameObject*& object : objects_) {
            object = new GSGameObject;
            context_->Router()->AddNode(object);
            if (!object->AttachScriptInstance(cls, context_.get()))
                return false;
        }
        return true;
    }
    ~World()
    {
        for (GSGameObject* object : objects_)
            delete object;
        context_.reset();
        GSMachine::Get()->Clear();
        Zel::File::Subst("vmbench", nullptr);
    }
    bool Call(int which, const char* signature, std::vector<Slot> args, Slot* result)
    {
        GSScriptInstance* instance = objects_[which]->Instance();
        return CallScriptMethod(instance->cls, instance, signature, args, result);
    }
    Slot Ref(int which) { return Slot::FromPointer(objects_[which]->GetScriptInstance()); }
    GSRouter* Router() { return context_->Router(); }

private:
    std::unique_ptr<GSContext> context_;
    GSGameObject* objects_[2] = {nullptr, nullptr};
};

Result Measure(World& world, const Workload& workload)
{
    Result result;
    std::vector<Slot> args;
    if (workload.argument != 0)
        args.push_back(Slot::FromInt(workload.argument));
    Slot value = Slot::FromInt(0);
    bool ok = true;
    const double seconds = bench::BestOf(
        [&] {
            for (int i = 0; i < workload.calls; ++i)
                ok = world.Call(0, workload.signature, args, &value) && ok;
        },
        3);
    if (!ok)
        std::fprintf(stderr, "script_vm_run_bench: %s failed\n", workload.name);
    result.seconds = seconds / workload.calls;
    result.checksum = value.AsInt();
    return result;
}

// Two game objects hand a message back and forth, each hand-over one
// router step that wakes the other's waiting thread.
Result MeasurePingPong(World& world)
{
    Result result;
    world.Call(0, "$void@Bench::Play(Bench)", {world.Ref(1)}, nullptr);
    world.Call(1, "$void@Bench::Play(Bench)", {world.Ref(0)}, nullptr);
    world.Router()->Step(0.0f);
    world.Call(0, "$void@Bench::StartServe(Bench)", {world.Ref(1)}, nullptr);
    world.Router()->Step(0.0f);
    Slot before = Slot::FromInt(0);
    Slot after = Slot::FromInt(0);
    world.Call(0, "$int@Bench::Pings()", {}, &before);
    const double seconds = bench::BestOf(
        [&] {
            for (int i = 0; i < kRounds; ++i)
                world.Router()->Step(0.0f);
        },
        1);
    world.Call(0, "$int@Bench::Pings()", {}, &after);
    Slot other = Slot::FromInt(0);
    world.Call(1, "$int@Bench::Pings()", {}, &other);
    // Per hand-over: how many a step makes depends on the order in which
    // the router processes the two objects.
    result.checksum = (after.AsInt() - before.AsInt()) * 2;
    result.seconds = result.checksum > 0 ? seconds / double(result.checksum) : 0.0;
    return result;
}

std::map<std::string, Result> RunAll(World& world)
{
    std::map<std::string, Result> results;
    for (const Workload& workload : kWorkloads)
        results[workload.name] = Measure(world, workload);
    results["pingpong"] = MeasurePingPong(world);
    return results;
}

// The twin's "checksum seconds" for `reps` calls; seconds per call.
Result RunLua(const char* name, int32_t argument, int reps)
{
    Result result;
    const std::string command = std::string("lua5.4 ") + KORVEL_BENCH_SCRIPTS_DIR + "/workloads.lua " + name + " " +
                                std::to_string(argument) + " " + std::to_string(reps);
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return result;
    double seconds = 0;
    if (std::fscanf(pipe, "%lld %lf", &result.checksum, &seconds) != 2)
        result.checksum = -1;
    pclose(pipe);
    result.seconds = seconds / reps;
    return result;
}

std::map<std::string, Result> RunSwitchBuild(const char* self)
{
    std::map<std::string, Result> results;
    const std::string program = Folder(self) + "/script_vm_switch_run";
    FILE* pipe = popen((program + " --raw").c_str(), "r");
    if (pipe == nullptr)
        return results;
    char name[64];
    Result result;
    while (std::fscanf(pipe, "%63s %lf %lld", name, &result.seconds, &result.checksum) == 3)
        results[name] = result;
    pclose(pipe);
    return results;
}

}  // namespace

int main(int argc, char** argv)
{
    const bool raw = argc > 1 && std::string(argv[1]) == "--raw";
    char folder[] = "/tmp/vmbench-XXXXXX";
    if (mkdtemp(folder) == nullptr)
        return 1;
    std::map<std::string, Result> ours;
    {
        World world;
        if (!world.Build(folder)) {
            std::fprintf(stderr, "script_vm_run_bench: the workloads do not compile or load\n");
            Zel::File::Prune(folder);
            return 1;
        }
        ours = RunAll(world);
    }
    Zel::File::Prune(folder);
    if (raw) {
        for (const auto& [name, result] : ours)
            std::printf("%s %.12f %lld\n", name.c_str(), result.seconds, result.checksum);
        return 0;
    }
    const std::map<std::string, Result> switched = RunSwitchBuild(argv[0]);
    std::printf("%-9s %12s %12s %7s %9s  %s\n", "workload", "ours us", "lua us", "ratio", "goal", "vs switch build");
    bool same = true;
    auto row = [&](const char* name, int32_t argument, int reps, const char* goal) {
        const Result& mine = ours[name];
        Result lua = RunLua(name, argument, reps);
        const bool pingPong = std::string(name) == "pingpong";
        if (pingPong && lua.checksum > 0)
            lua.seconds /= double(lua.checksum);
        const auto other = switched.find(name);
        const double versus =
            other != switched.end() && other->second.seconds > 0 ? mine.seconds / other->second.seconds : 0.0;
        const bool match = std::string(name) == "empty" || pingPong || lua.checksum == mine.checksum;
        same = same && match;
        std::printf("%-9s %12.2f %12.2f %7.2f %9s  %.2f%s\n", name, mine.seconds * 1e6, lua.seconds * 1e6,
                    lua.seconds > 0 ? mine.seconds / lua.seconds : 0.0, goal, versus,
                    match ? "" : "  CHECKSUM DIFFERS");
    };
    for (const Workload& workload : kWorkloads)
        row(workload.name, workload.argument, workload.calls, workload.goal);
    row("pingpong", kRounds, 1, "<= 3");
    const double empty = ours["empty"].seconds;
    std::printf("empty-call overhead: %.3f us (%.4f%% of a fib call; goal < 1%%)\n", empty * 1e6,
                100.0 * empty / ours["fib"].seconds);
    std::printf("computed goto against the switch build (goal <= 0.87): ");
    if (switched.count("loop") != 0 && switched.count("fib") != 0) {
        std::printf("loop %.2f, fib %.2f\n", ours["loop"].seconds / switched.at("loop").seconds,
                    ours["fib"].seconds / switched.at("fib").seconds);
    } else {
        std::printf("the switch build did not run\n");
    }
    if (!same)
        std::printf("checksums differ from the Lua twin: the results above are not comparable\n");
    return same ? 0 : 1;
}
