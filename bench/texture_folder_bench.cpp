// Folder conversion of 8 images of 512 x 512 on the job workers, against single-thread direct NVIDIA Texture Tools times the worker count.
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "results/results_log.h"
#include "bench/best_of.h"
#include "bench/texture_bench_images.h"
#include "bench/texture_bench_nvtt.h"
#include "foundation/base/install_paths.h"
#include "foundation/base/job_dispatcher.h"
#include "foundation/base/process_values.h"
#include "mesh/texture_conversion.h"

namespace {

constexpr int Side = 512;
constexpr int Images = 8;

void Put32(std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out += char(v >> (8 * i));
}

// A 32-bit top-down BMP of the pixels.
std::string Bmp32(const std::vector<uint8_t>& rgba, int width, int height)
{
    std::string out = "BM";
    Put32(out, 54 + uint32_t(rgba.size()));
    Put32(out, 0);
    Put32(out, 54);
    Put32(out, 40);
    Put32(out, uint32_t(width));
    Put32(out, uint32_t(-height));
    out += char(1), out += char(0), out += char(32), out += char(0);
    for (int i = 0; i < 6; ++i)
        Put32(out, 0);
    for (size_t i = 0; i < rgba.size(); i += 4) {
        out += char(rgba[i + 2]);
        out += char(rgba[i + 1]);
        out += char(rgba[i]);
        out += char(255);
    }
    return out;
}

}  // namespace

int main()
{
    SetMainThreadId();
    char pattern[] = "/tmp/texture-folder-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        return 1;
    const std::string root = pattern;
    InitInstallPaths(Zel::File::Path(root.c_str()));
    const std::string folder = root + "/UserData/local/bench";
    std::filesystem::create_directories(folder);
    std::vector<uint8_t> rgba = bench::NaturalImage(Side, Side);
    for (int i = 0; i < Images; ++i) {
        std::ofstream(folder + "/image" + std::to_string(i) + ".bmp", std::ios::binary) << Bmp32(rgba, Side, Side);
        std::ofstream(folder + "/image" + std::to_string(i) + ".texture.txt") << "Primary=image" << i << ".bmp\n";
    }

    int result = 0;
    const double ours = bench::BestOf(
        [&] {
            ResultsLog log;
            result = ConvertFolderTextures(Zel::PString(), Zel::File::Path(folder.c_str()), log);
        },
        3);
    std::vector<uint8_t> bgra = rgba;
    for (size_t i = 0; i < bgra.size(); i += 4)
        std::swap(bgra[i], bgra[i + 2]);
    const double single = bench::BestOf(
        [&] {
            for (int i = 0; i < Images; ++i)
                bench::DirectNvtt(bgra, Side, nvtt::Format_DXT1, true, true);
        },
        1);
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const double ideal = single / std::min<unsigned>(cores, Images);
    std::printf("folder of %d x %dx%d DXT1+mips (result %d)   ours %.2f s   one thread direct %.2f s   speed-up %.2f   "
                "workers %zu of %u cores   ours/ideal %.2f\n",
                Images, Side, Side, result, ours, single, single / ours, JobDispatcher::Instance().GetWorkerCount(),
                cores, ours / ideal);
    std::filesystem::remove_all(root);
    return result == TextureConversionDone ? 0 : 1;
}
