// Mesh check cost: validating an asset with a 100k-face LOD mesh of 4 levels and 30 textures against loading the same files through the mesh readers alone; resident memory after many validations in one process against after the first.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/best_of.h"
#include "foundation/base/app_context.h"
#include "foundation/base/install_paths.h"
#include "interfacetext/interface_text_db.h"
#include "bench/mesh_checks_readers.h"
#include "mesh/lm_writer.h"
#include "results/results_log.h"
#include "support/temp_folder.h"
#include "templates/dod_container.h"
#include "templates/dod_data_manager.h"
#include "templates/dod_error_handler.h"
#include "templates/validate_asset_task.h"
#include "zel/render_kernel.h"

namespace {

constexpr int TextureCount = 30;

void WriteFile(const std::string& path, const std::string& content)
{
    std::ofstream(path, std::ios::binary) << content;
}

// A square grid of side x side cells (two faces each) in the z = 0 plane.
KorvelTest::ImGeometry Grid(int side)
{
    KorvelTest::ImGeometry grid;
    const int row = side + 1;
    for (int y = 0; y <= side; ++y) {
        for (int x = 0; x <= side; ++x) {
            grid.positions.push_back({static_cast<float>(x), static_cast<float>(y), 0});
            grid.uvSets[0].push_back({static_cast<float>(x) / side, static_cast<float>(y) / side});
        }
    }
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const auto corner = static_cast<uint16_t>(y * row + x);
            const auto up = static_cast<uint16_t>(corner + row);
            grid.indices.insert(grid.indices.end(), {corner, static_cast<uint16_t>(corner + 1), up});
            grid.indices.insert(grid.indices.end(), {static_cast<uint16_t>(corner + 1),
                                                     static_cast<uint16_t>(up + 1), up});
        }
    }
    return grid;
}

// Levels of 30 chunks, one per material, each level half the faces of the
// one before: 100,860 faces at level 0.
std::string LargeLod(int faceScale)
{
    KorvelTest::LmFile file;
    file.materials.clear();
    for (int t = 0; t < TextureCount; ++t) {
        KorvelTest::ImMaterial material;
        material.name = "m" + std::to_string(t) + ".m.onetex";
        material.textures.push_back({0, "t" + std::to_string(t) + ".tga", 1.0f});
        file.materials.push_back(material);
    }
    const int sides[] = {41, 29, 20, 14};
    for (int level = 0; level < 4; ++level) {
        KorvelTest::LmLevel lod;
        lod.distance = 100.0f * static_cast<float>(level);
        const KorvelTest::ImGeometry grid = Grid(std::max(2, sides[level] / faceScale));
        for (int t = 0; t < TextureCount; ++t) {
            KorvelTest::LmChunk chunk;
            chunk.material = t;
            chunk.geometry = grid;
            lod.chunks.push_back(chunk);
        }
        file.levels.push_back(lod);
    }
    return KorvelTest::WriteLm(file);
}

long ResidentKilobytes()
{
    long pages = 0, resident = 0;
    FILE* statm = std::fopen("/proc/self/statm", "r");
    if (!statm)
        return 0;
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
        resident = 0;
    std::fclose(statm);
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// An installation root with the shipped templates, the data manager bound
// to a headless render kernel as start-up binds it.
class Workspace {
public:
    Workspace() : root_(place_ / "install")
    {
        std::filesystem::create_directories(root_ + "/bin");
        std::filesystem::copy(KORVEL_SOURCE_DIR "/data/DODData", root_ + "/bin/DODData",
                              std::filesystem::copy_options::recursive);
        if (!InitInstallPaths(Zel::File::Path(root_.c_str())))
            std::exit(1);
        CreateUserFolders();
        InterfaceTextDB::SetDataFolder(KORVEL_SOURCE_DIR "/data");
        DODLib::ErrorHandler::Initialise();
        DODLib::DataManager::Initialise((root_ + "/bin/DODData/").c_str());
        context_.renderKernel = &kernel_;
        DODLib::DataManager::Instance()->InitialiseRenderContext(context_);
    }
    ~Workspace()
    {
        DODLib::DataManager::Shutdown();
        DODLib::ErrorHandler::Shutdown();
    }

    // An asset below the "editing" root: a mesh table naming the LOD mesh
    // (and an indexed mesh with an animation), its textures beside it.
    std::string MakeAsset(const std::string& name, const std::string& lod)
    {
        const std::string folder = root_ + "/UserData/editing/" + name + "/";
        std::filesystem::create_directories(folder);
        WriteFile(folder + "config.txt", "kuid <kuid:424242:9" + std::to_string(name.size()) +
                                             ">\r\nkind \"scenery\"\r\nusername \"" + name +
                                             "\"\r\nkorvel-build 3.3\r\nmesh-table\r\n{\r\n  default\r\n  {\r\n"
                                             "    mesh \"tower.lm\"\r\n    auto-create 1\r\n  }\r\n}\r\n");
        WriteFile(folder + "tower.lm", lod);
        for (int t = 0; t < TextureCount; ++t)
            WriteFile(folder + "t" + std::to_string(t) + ".tga", "image");
        return folder;
    }

    // The template checks of one validation as a command host runs them
    // (scripts, which this asset has none of, are left out); exits when the
    // asset does not check cleanly.
    void Validate(const std::string& name)
    {
        ResultsLog log;
        const Zel::File::Path folder((name + "/").c_str());
        Zel::File::Path config = folder;
        config.AddPath("config.txt");
        DODLib::Container container;
        DODLib::DataManager::Instance()->SetAsset(Zel::PString("editing"), folder);
        DODLib::DataManager::SetConfigFileName("config.txt");
        ValidateAssetTask::RunTemplateChecks(config, &container, Zel::PString("editing"), log);
        if (log.ErrorCount() != 0) {
            for (const ResultsLogEntry& line : log.Lines())
                std::fprintf(stderr, "unexpected finding: %s\n", line.text.c_str());
            std::exit(1);
        }
    }

private:
    KorvelTest::TempFolder place_{"korvel-mesh-checks-bench"};
    std::string root_;
    Zel::RenderKernel kernel_{nullptr, 1.0f};
    AppContext context_;
};

void BenchLargeLod(Workspace& workspace)
{
    const std::string folder = workspace.MakeAsset("tower", LargeLod(1));
    if (const int result = LoadThroughMeshReaders(folder + "tower.lm"); result != 0) {
        std::fprintf(stderr, "the benchmark's mesh does not load: result %d\n", result);
        std::exit(1);
    }
    // The first validation reads the template library.
    workspace.Validate("tower");
    // The best of each, the two in turn: a shared machine that slows down or
    // speeds up meanwhile does so for both.
    double readers = 1e9;
    double validation = 1e9;
    for (int run = 0; run < 15; ++run) {
        readers = std::min(readers, bench::BestOf([&] { LoadThroughMeshReaders(folder + "tower.lm"); }, 1));
        validation = std::min(validation, bench::BestOf([&] { workspace.Validate("tower"); }, 1));
    }
    std::printf("validation of an asset with a 100k-face LOD mesh (4 levels, 30 textures): %.2f ms, "
                "loading its files through the mesh readers %.2f ms, ratio %.2f (goal <= 1.2)\n",
                validation * 1e3, readers * 1e3, validation / readers);
}

// One side of the lod comparison alone, after the first validation, for
// profilers (strace -c, callgrind) to count what each side does.
void RepeatLargeLod(Workspace& workspace, bool validation, int count)
{
    const std::string folder = workspace.MakeAsset("tower", LargeLod(1));
    workspace.Validate("tower");
    for (int i = 0; i < count; ++i) {
        if (validation)
            workspace.Validate("tower");
        else if (const int result = LoadThroughMeshReaders(folder + "tower.lm"); result != 0)
            std::exit(1);
    }
}

void BenchManyValidations(Workspace& workspace, int count)
{
    // A tenth of the faces: the run is about what stays behind, not speed.
    workspace.MakeAsset("small", LargeLod(4));
    workspace.Validate("small");
    const long first = ResidentKilobytes();
    for (int i = 1; i < count; ++i)
        workspace.Validate("small");
    const long last = ResidentKilobytes();
    std::printf("resident memory after %d validations in one process: %ld KiB, after the first %ld KiB, "
                "ratio %.3f (goal <= 1.1)\n",
                count, last, first, static_cast<double>(last) / static_cast<double>(first));
}

}  // namespace

// With an argument ("lod" or "memory") only that part runs; a second
// argument sets the number of validations of the memory run (1,000).
// "readers" or "validation" repeats one side of the lod run that many times.
int main(int argc, char** argv)
{
    const std::string only = argc > 1 ? argv[1] : "";
    const int count = argc > 2 ? std::atoi(argv[2]) : 1000;
    Workspace workspace;
    GetInterfaceText("$dod_eh_error");
    if (only.empty() || only == "lod")
        BenchLargeLod(workspace);
    if (only == "readers" || only == "validation")
        RepeatLargeLod(workspace, only == "validation", count);
    if (only.empty() || only == "memory")
        BenchManyValidations(workspace, count);
    return 0;
}
