// Soup file speed: text and binary read and write of a 20 MB config against plain byte passes in the same run.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "soup/soup_handle.h"

namespace {

constexpr size_t kTargetBytes = 20u << 20;

// Best of several runs; `after` runs outside the timing (freeing what a run
// loaded is not part of reading it).
double BestSeconds(
    int runs, const std::function<void()>& work, const std::function<void()>& after = [] {})
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        best = std::min(best, elapsed.count());
        after();
    }
    return best;
}

// A config shaped like an asset table: containers of typical tags, with a
// nested mesh table, repeated until the text form reaches the target size.
SoupHandle MakeConfig(size_t assets)
{
    SoupHandle root;
    SoupHandle table;
    for (size_t i = 0; i < assets; ++i) {
        SoupHandle asset;
        asset.SetNamedTagKUID(Zel::PString("kuid"), KUID(int32_t(i % 400000), int32_t(i), 0));
        asset.SetNamedTag(Zel::PString("kind"), "traincar");
        asset.SetNamedTag(Zel::PString("username"), ("Blue wagon number " + std::to_string(i)).c_str());
        asset.SetNamedTag(Zel::PString("description"),
                          "A four-wheeled open wagon for loose goods, built in several batches.");
        asset.SetNamedTagFloat(Zel::PString("trainz-build"), 4.6f);
        asset.SetNamedTagInt(Zel::PString("light"), 1);
        asset.SetNamedTagInt(Zel::PString("mass"), int32_t(12000 + i % 977));
        FloatArray camera;
        for (float v : {0.5f, -1.25f, 3.0f, 12.75f})
            camera.Add(v);
        asset.SetNamedTagFloatList(Zel::PString("camera"), camera);
        SoupHandle meshes;
        SoupHandle mesh;
        mesh.SetNamedTag(Zel::PString("mesh"), "body/body.im");
        mesh.SetNamedTagInt(Zel::PString("auto-create"), 1);
        meshes.SetNamedSoup(Zel::PString("default"), mesh);
        asset.SetNamedSoup(Zel::PString("mesh-table"), meshes);
        // Names are unique: appended directly, without the setter's name scan.
        table.GetContainer()->AddNamedTag(Zel::PString(("asset" + std::to_string(i)).c_str()), asset.Root());
    }
    root.SetNamedSoup(Zel::PString("assets"), table);
    root.SetNamedTag(Zel::PString("kind"), "archive");
    return root;
}

std::string ReadWhole(const std::string& path)
{
    std::string bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return bytes;
    std::fseek(file, 0, SEEK_END);
    bytes.resize(size_t(std::ftell(file)));
    std::fseek(file, 0, SEEK_SET);
    if (std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size())
        bytes.clear();
    std::fclose(file);
    return bytes;
}

void WriteWhole(const std::string& path, const std::string& bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

size_t CountLines(const std::string& bytes)
{
    size_t lines = 0;
    const char* at = bytes.data();
    const char* end = at + bytes.size();
    while (const void* found = std::memchr(at, '\n', size_t(end - at))) {
        ++lines;
        at = static_cast<const char*>(found) + 1;
    }
    return lines;
}

void Report(const char* what, size_t bytes, double ours, const char* peerName, double peer)
{
    const double megabytes = double(bytes) / (1 << 20);
    std::printf("%-22s %8.1f MB/s   %-24s %8.1f MB/s   ratio %.2f\n", what, megabytes / ours, peerName,
                megabytes / peer, ours / peer);
}

}  // namespace

int main()
{
    char folder[] = "/tmp/soup_benchXXXXXX";
    if (mkdtemp(folder) == nullptr)
        return 1;
    const std::string textPath = std::string(folder) + "/config.txt";
    const std::string binaryPath = std::string(folder) + "/config.chump";
    const std::string copyPath = std::string(folder) + "/copy.bin";
    const Zel::PString none;

    // Size the config from a sample, then build it once.
    const size_t sampleAssets = 1000;
    const SoupHandle sample = MakeConfig(sampleAssets);
    sample.SaveToFile(none, textPath.c_str());
    const size_t perAsset = ReadWhole(textPath).size() / sampleAssets;
    const SoupHandle config = MakeConfig(kTargetBytes / perAsset + 1);
    config.SaveToFile(none, textPath.c_str());
    config.SaveToFile(none, binaryPath.c_str());
    const std::string text = ReadWhole(textPath);
    const std::string binary = ReadWhole(binaryPath);
    std::printf("config: %.1f MB text, %.1f MB binary\n", double(text.size()) / (1 << 20),
                double(binary.size()) / (1 << 20));

    const int runs = 5;
    size_t sink = 0;
    SoupHandle loaded;
    const auto release = [&] { loaded.Clear(); };
    const double textRead = BestSeconds(
        runs,
        [&] {
            loaded.LoadFromFile(none, textPath.c_str());
            sink += size_t(loaded.CountTags());
        },
        release);
    const double lineScan = BestSeconds(runs, [&] { sink += CountLines(text); });
    const double textPlainRead = BestSeconds(runs, [&] { sink += ReadWhole(textPath).size(); });
    const double textWrite = BestSeconds(runs, [&] { config.SaveToFile(none, textPath.c_str()); });
    const double textPlainWrite = BestSeconds(runs, [&] { WriteWhole(copyPath, text); });

    const double binaryRead = BestSeconds(
        runs,
        [&] {
            loaded.LoadFromFile(none, binaryPath.c_str());
            sink += size_t(loaded.CountTags());
        },
        release);
    const double binaryPlainRead = BestSeconds(runs, [&] { sink += ReadWhole(binaryPath).size(); });
    const double binaryWrite = BestSeconds(runs, [&] { config.SaveToFile(none, binaryPath.c_str()); });
    const double binaryPlainWrite = BestSeconds(runs, [&] { WriteWhole(copyPath, binary); });

    Report("text read", text.size(), textRead, "memchr line scan", lineScan);
    Report("text read", text.size(), textRead, "plain file read", textPlainRead);
    Report("text write", text.size(), textWrite, "plain file write", textPlainWrite);
    Report("binary read (load)", binary.size(), binaryRead, "plain file read", binaryPlainRead);
    Report("binary write", binary.size(), binaryWrite, "plain file write", binaryPlainWrite);
    std::printf("targets: binary load <= 3x plain read (%.2f), text read >= 100 MB/s (%.1f)\n",
                binaryRead / binaryPlainRead, double(text.size()) / (1 << 20) / textRead);

    std::remove(textPath.c_str());
    std::remove(binaryPath.c_str());
    std::remove(copyPath.c_str());
    rmdir(folder);
    return sink == 0 ? 1 : 0;
}
