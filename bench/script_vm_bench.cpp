// Benchmark of the script machine, each case beside its peer in one run:
// - loading and linking a generated ~2 MB library (500 classes x 20 methods,
//   and twice that) against reading and copying the file's bytes (goal
//   <= 10, and 2x / 1x about 2);
// - IdHashTable::Find against std::unordered_map, and the native look-up
//   with ~200 natives registered against walking the native list;
// - a pool slot taken and given back, and an instance made and destroyed,
//   against malloc and free of the same size (goal <= 1).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "script/common/byte_buffer.h"
#include "script/compiler/code_generation.h"
#include "script/compiler/compile_log.h"
#include "script/compiler/front_end.h"
#include "script/compiler/library_image_writer.h"
#include "script/vm/gs_class.h"
#include "script/vm/gs_context.h"
#include "script/vm/gs_heap.h"
#include "script/vm/gs_library.h"
#include "script/vm/gs_machine.h"
#include "script/vm/gs_object.h"
#include "script/vm/id_hash_table.h"
#include "script/vm/native_function.h"
#include "script/vm/script_instance.h"
#include "script/vm/tracked_pool.h"
#include "zel/file.h"

namespace {

using namespace GSRuntime;

// Chains of ten classes deriving from each other, every method with a local,
// a branch, a member update and a string concatenation.
std::string Source(int classes, int methods)
{
    std::string text;
    for (int c = 0; c < classes; ++c) {
        const std::string k = std::to_string(c);
        text += "class K" + k;
        if (c % 10 != 0)
            text += " isclass K" + std::to_string(c - 1);
        text += " {\n  int v" + k + " = " + k + ";\n  string s" + k + ";\n";
        for (int m = 0; m < methods; ++m) {
            const std::string n = std::to_string(m);
            text += "  public int m" + n + "(int a) {\n    int t = a * " + n +
                    ";\n    if (t > 10) { t = t - 1; } else { t = t + 2; }\n    v" + k + " = v" + k + " + t;\n    s" +
                    k + " = s" + k + " + \"x" + n + "\";\n    return t;\n  }\n";
        }
        text += "};\n";
    }
    return text;
}

std::string g_folder;

// The generated library of that size, written once; its file name.
std::string LibraryFile(int classes)
{
    static std::map<int, std::string> files;
    auto found = files.find(classes);
    if (found != files.end())
        return found->second;
    const std::string name = "bench" + std::to_string(classes) + ".gs";
    GSCompileLog log;
    GSCompiler::FrontEnd front;
    std::string file;
    if (front.CheckText(name.c_str(), Source(classes, 20), &log) == 0) {
        GSCompiler::GSGeneratorContext generator;
        Utils::ByteBuffer out;
        out.Init(512);
        if (GSCompiler::GenerateCode(&generator, &front.Context()) &&
            GSCompiler::WriteLibraryImage(&front.Context(), &log, name.c_str(), &out)) {
            file = "bench" + std::to_string(classes) + ".gsl";
            std::ofstream(g_folder + "/" + file, std::ios::binary)
                .write(reinterpret_cast<const char*>(out.Data()), std::streamsize(out.Length()));
        }
    }
    if (file.empty())
        std::fprintf(stderr, "the generated library of %d classes does not compile\n", classes);
    files[classes] = file;
    return file;
}

void LoadAndLink(benchmark::State& state)
{
    const std::string file = LibraryFile(static_cast<int>(state.range(0)));
    GSMachine* machine = GSMachine::Get();
    for (auto _ : state) {
        state.PauseTiming();
        machine->Init();
        uint64_t id = 0;
        machine->AddLibraryFile("", g_folder.c_str(), file.c_str(), &id);
        state.ResumeTiming();
        int result = -9;
        GSLibrary* library = machine->GetLibrary(uint32_t(id >> 32), uint32_t(id), &result);
        if (library == nullptr || result != 0)
            state.SkipWithError("the library did not load");
        benchmark::DoNotOptimize(library);
    }
    machine->Clear();
}

void ReadAndCopy(benchmark::State& state)
{
    const std::string path = g_folder + "/" + LibraryFile(static_cast<int>(state.range(0)));
    std::vector<uint8_t> copy;
    for (auto _ : state) {
        Zel::File file;
        file.Open(path.c_str(), Zel::File::ModeRead);
        std::vector<uint8_t> bytes(static_cast<size_t>(file.Size()));
        file.Read(bytes.data(), static_cast<int64_t>(bytes.size()));
        copy.resize(bytes.size());
        std::memcpy(copy.data(), bytes.data(), bytes.size());
        benchmark::DoNotOptimize(copy.data());
    }
}

// 200 library ids, as a machine with that many libraries holds them.
std::vector<std::pair<uint32_t, uint32_t>> Ids()
{
    std::vector<std::pair<uint32_t, uint32_t>> ids;
    uint32_t x = 12345;
    for (int i = 0; i < 200; ++i) {
        x = x * 1103515245u + 12345u;
        const uint32_t first = x;
        x = x * 1103515245u + 12345u;
        ids.emplace_back(first, x);
    }
    return ids;
}

void IdTableFind(benchmark::State& state)
{
    const auto ids = Ids();
    IdHashTable table;
    table.Make(251);
    for (auto& id : ids)
        table.Insert(id.first, id.second, &table);
    size_t i = 0;
    for (auto _ : state) {
        const auto& id = ids[i++ % ids.size()];
        benchmark::DoNotOptimize(table.FindValue(id.first, id.second));
    }
}

void UnorderedMapFind(benchmark::State& state)
{
    const auto ids = Ids();
    std::unordered_map<uint64_t, void*> table;
    for (auto& id : ids)
        table.emplace(uint64_t(id.first) << 32 | id.second, &table);
    size_t i = 0;
    for (auto _ : state) {
        const auto& id = ids[i++ % ids.size()];
        auto found = table.find(uint64_t(id.first) << 32 | id.second);
        benchmark::DoNotOptimize(found);
    }
}

// The machine's natives and 200 more of other classes.
std::vector<std::pair<Zel::PString, Zel::PString>> RegisterManyNatives()
{
    GSMachine* machine = GSMachine::Get();
    machine->Init();
    std::vector<std::pair<Zel::PString, Zel::PString>> keys;
    for (int i = 0; i < 200; ++i) {
        const std::string cls = "Native" + std::to_string(i % 12);
        const std::string signature = "$int@" + cls + "::Call" + std::to_string(i) + "(int,string)";
        machine->RegisterNative(
            new GSCNativeFunction(cls.c_str(), signature.c_str(), [](GSContext*, GSStack&) { return true; }));
        keys.emplace_back(Zel::PString(cls.c_str()), Zel::PString(signature.c_str()));
    }
    return keys;
}

void NativeLookup(benchmark::State& state)
{
    const auto keys = RegisterManyNatives();
    GSMachine* machine = GSMachine::Get();
    size_t i = 0;
    for (auto _ : state) {
        const auto& key = keys[i++ % keys.size()];
        benchmark::DoNotOptimize(machine->FindNativeFunction(key.first, key.second));
    }
    machine->Clear();
}

// What the look-up would be without the index: the list from its start.
void NativeListWalk(benchmark::State& state)
{
    const auto keys = RegisterManyNatives();
    std::vector<GSNativeFunction*> natives;
    for (const auto& key : keys)
        natives.push_back(GSMachine::Get()->FindNativeFunction(key.first, key.second));
    size_t i = 0;
    for (auto _ : state) {
        const auto& key = keys[i++ % keys.size()];
        GSNativeFunction* found = nullptr;
        for (GSNativeFunction* native : natives) {
            if (native->ClassName() == key.first && native->Signature() == key.second) {
                found = native;
                break;
            }
        }
        benchmark::DoNotOptimize(found);
    }
    GSMachine::Get()->Clear();
}

void PoolSlot(benchmark::State& state)
{
    GSContext context;
    GSScriptInstance instance{};
    for (auto _ : state) {
        context.Pool().Acquire(&instance);
        GSTrackedPool::Release(&instance);
        benchmark::DoNotOptimize(instance.slot);
    }
}

void MallocSlot(benchmark::State& state)
{
    for (auto _ : state) {
        void* block = std::malloc(sizeof(GSPoolSlot));
        benchmark::DoNotOptimize(block);
        std::free(block);
    }
}

GSClass* InstanceClass()
{
    static GSClass* cls = [] {
        GSMachine* machine = GSMachine::Get();
        machine->Init();
        const std::string file = LibraryFile(10);
        uint64_t id = 0;
        machine->AddLibraryFile("", g_folder.c_str(), file.c_str(), &id);
        GSLibrary* library = machine->GetLibrary(uint32_t(id >> 32), uint32_t(id));
        return library != nullptr ? GSLibrary::FindClass(library, "K0") : nullptr;
    }();
    return cls;
}

// K0 has member initializers: an instance of its class without them is what
// is timed, a header and its member slots with the layout applied.
void InstanceCreateDestroy(benchmark::State& state)
{
    GSContext context;
    GSClass* cls = InstanceClass();
    const size_t size = sizeof(GSScriptInstance) + (cls->InstanceSize() + 3) * sizeof(Slot);
    for (auto _ : state) {
        GSScriptInstance* header = static_cast<GSScriptInstance*>(GSHeap::Context().TryAlloc(size));
        std::memset(static_cast<void*>(header), 0, size);
        header->Start(&context, nullptr, cls);
        for (const GSImage::LayoutEntry& entry : cls->Layout())
            header->Members()[entry.word] = Slot::FromWord(entry.value);
        benchmark::DoNotOptimize(header);
        cls->DestroyInstance(header);
    }
}

void MallocInstance(benchmark::State& state)
{
    GSClass* cls = InstanceClass();
    const size_t size = sizeof(GSScriptInstance) + (cls->InstanceSize() + 3) * sizeof(Slot);
    for (auto _ : state) {
        void* block = std::malloc(size);
        std::memset(block, 0, size);
        benchmark::DoNotOptimize(block);
        std::free(block);
    }
}

BENCHMARK(LoadAndLink)->Arg(500)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadAndCopy)->Arg(500)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(IdTableFind);
BENCHMARK(UnorderedMapFind);
BENCHMARK(NativeLookup);
BENCHMARK(NativeListWalk);
BENCHMARK(PoolSlot);
BENCHMARK(MallocSlot);
BENCHMARK(InstanceCreateDestroy);
BENCHMARK(MallocInstance);

// Keeps each case's time per iteration, to print the ratios after the table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            seconds[run.benchmark_name()] = run.GetAdjustedRealTime() * benchmark::GetTimeUnitMultiplier(run.time_unit);
        ConsoleReporter::ReportRuns(runs);
    }
    double Ratio(const std::string& ours, const std::string& peer) const
    {
        auto a = seconds.find(ours);
        auto b = seconds.find(peer);
        return a != seconds.end() && b != seconds.end() && b->second > 0 ? a->second / b->second : 0.0;
    }
    std::map<std::string, double> seconds;
};

}  // namespace

int main(int argc, char** argv)
{
    char pattern[] = "/tmp/script_vm_bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        return 1;
    g_folder = pattern;
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("load+link 2 MB library / read+copy: %.2f (goal <= 10)\n",
                reporter.Ratio("LoadAndLink/500", "ReadAndCopy/500"));
    std::printf("load+link 4 MB / 2 MB: %.2f (linear: about 2)\n",
                reporter.Ratio("LoadAndLink/1000", "LoadAndLink/500"));
    std::printf("IdHashTable::Find / std::unordered_map::find: %.2f\n",
                reporter.Ratio("IdTableFind", "UnorderedMapFind"));
    std::printf("native look-up / walking the list of ~200: %.2f\n", reporter.Ratio("NativeLookup", "NativeListWalk"));
    std::printf("pool slot acquire+release / malloc+free: %.2f (goal <= 1)\n",
                reporter.Ratio("PoolSlot", "MallocSlot"));
    std::printf("instance create+destroy / malloc+free: %.2f (goal <= 1)\n",
                reporter.Ratio("InstanceCreateDestroy", "MallocInstance"));
    std::string command = "rm -rf '" + g_folder + "'";
    return std::system(command.c_str()) == 0 ? 0 : 0;
}
