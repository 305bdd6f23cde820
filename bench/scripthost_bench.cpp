// Warm-cache script check: an asset of 20 scripts whose cache files all exist, against 20 x (stat + 20-byte read).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "assetdb/spec_daemon_queries.h"
#include "bench/best_of.h"
#include "bench/script_api_root.h"
#include "foundation/base/install_paths.h"
#include "results/results_log.h"
#include "scripthost/korvel_base_spec.h"
#include "scripthost/native_library_setup.h"

namespace {

namespace fs = std::filesystem;

constexpr int Scripts = 20;
constexpr int Rounds = 200;

Zel::String NoName(const KUID&)
{
    return Zel::String("");
}

const SpecDaemonQueries NoDaemon = {nullptr, nullptr, NoName};

}  // namespace

int main()
{
    char pattern[] = "/tmp/KorvelScriptCacheBench.XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        return 1;
    const std::string base = pattern;
    const std::string root = bench::MakeScriptApiRoot(base);
    SetSpecDaemonQueries(&NoDaemon);
    if (!SetUpNativeLibraries()) {
        std::printf("the script API libraries cannot be set up: %s\n", NativeLibrarySetUpFault().c_str());
        return 1;
    }

    const std::string folder = base + "/assets/Car";
    fs::create_directories(folder);
    for (int i = 0; i < Scripts; ++i) {
        std::ofstream(folder + "/part" + std::to_string(i) + ".gs")
            << "include \"Vehicle.gs\"\nclass Part" << i << " isclass Vehicle\n{\n  public int Wheels(void) { return "
            << i << "; }\n};\n";
    }
    SoupHandle config;
    config.SetNamedTag(Zel::PString("kind"), "traincar");
    config.SetNamedTag(Zel::PString("korvel-build"), "3.3");
    auto check = [&] {
        KorvelBaseSpec spec(KUID(424242, 7002, 0), Zel::PString(), Zel::String((base + "/assets").c_str()),
                            Zel::String("Car"), config);
        ResultsLog log;
        const std::string primary = folder + "/part0.gs";
        if (!spec.CacheScripts(Zel::PString(), spec.MakeFilePath(), primary.c_str(), &log))
            std::printf("the check failed\n");
    };
    check();  // cold: compiles every script once

    std::vector<std::string> cacheFiles;
    for (const auto& entry : fs::directory_iterator(root + "/UserData/cache/libraries"))
        cacheFiles.push_back(entry.path().string());
    const double ours = bench::BestOf([&] {
        for (int r = 0; r < Rounds; ++r)
            check();
    });
    long sink = 0;
    const double anchor = bench::BestOf([&] {
        for (int r = 0; r < Rounds; ++r) {
            for (int i = 0; i < Scripts; ++i) {
                const std::string& path = cacheFiles[static_cast<size_t>(i) % cacheFiles.size()];
                struct stat info;
                stat(path.c_str(), &info);
                char header[20];
                const int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
                sink += read(descriptor, header, sizeof header);
                close(descriptor);
            }
        }
    });
    std::printf("warm-cache check of %d scripts (ours): %.3f us per asset\n", Scripts, ours / Rounds * 1e6);
    std::printf("%d x (stat + 20-byte read) (anchor): %.3f us (%ld bytes)\n", Scripts, anchor / Rounds * 1e6,
                sink / Rounds / 5);
    std::printf("ratio ours/anchor: %.2f (goal <= 3)\n", ours / anchor);
    SetSpecDaemonQueries(nullptr);
    fs::remove_all(base);
    return 0;
}
