// Template check speed: a large config read and written against parsing it, the texture walk against decoding, the library load against reading its files.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "foundation/base/install_paths.h"
#include "interfacetext/interface_text_db.h"
#include "bench/best_of.h"
#include "soup/soup_handle.h"
#include "soup/text_soup.h"
#include "support/test_images.h"
#include "templates/dod_container.h"
#include "templates/dod_data_manager.h"
#include "templates/dod_error_handler.h"
#include "zel/bitmap.h"

namespace {

void WriteFile(const std::string& path, const std::string& content)
{
    std::ofstream(path, std::ios::binary) << content;
}

// Three levels of inheritance, each adding fields; a tag array catches the
// numbered tags; sub-containers of one element type.
const char* const BenchInheritance =
    "level0\r\n{\r\n  subpossibilities\r\n  {\r\n"
    "    kuid\r\n    {\r\n      kind \"value\"\r\n      type \"kuid\"\r\n    }\r\n"
    "    kind\r\n    {\r\n      kind \"value\"\r\n      type \"string\"\r\n    }\r\n"
    "    username\r\n    {\r\n      kind \"value\"\r\n      type \"string\"\r\n    }\r\n"
    "  }\r\n  tagarray\r\n  {\r\n    kind \"value\"\r\n    type \"float\"\r\n"
    "    validation\r\n    {\r\n      range\r\n      {\r\n        min \"-1000000\"\r\n        max \"1000000\"\r\n      "
    "}\r\n    }\r\n  }\r\n}\r\n"
    "level1\r\n{\r\n  inherit\r\n  {\r\n    level0 1\r\n  }\r\n  subpossibilities\r\n  {\r\n"
    "    title\r\n    {\r\n      kind \"value\"\r\n      type \"string\"\r\n    }\r\n  }\r\n}\r\n"
    "level2\r\n{\r\n  inherit\r\n  {\r\n    level0 1\r\n    level1 1\r\n  }\r\n  subpossibilities\r\n  {\r\n"
    "    group\r\n    {\r\n      kind \"element\"\r\n      element-type \"group\"\r\n    }\r\n  }\r\n}\r\n";

const char* const BenchKinds =
    "strict\r\n{\r\n  top-level 1\r\n  subpossibilities\r\n  {\r\n    kind\r\n    {\r\n      kind \"value\"\r\n"
    "      type \"string\"\r\n    }\r\n  }\r\n}\r\n"
    "bench\r\n{\r\n  top-level 1\r\n  inherit\r\n  {\r\n    level0 1\r\n    level1 1\r\n    level2 1\r\n  }\r\n"
    "  subpossibilities\r\n  {\r\n    flag\r\n    {\r\n      kind \"value\"\r\n      type \"bool\"\r\n    }\r\n  "
    "}\r\n}\r\n";

const char* const BenchContainers =
    "group\r\n{\r\n  array-element\r\n  {\r\n    container-type0 \"item\"\r\n  }\r\n"
    "  validation\r\n  {\r\n    uniquenames\r\n    {\r\n    }\r\n  }\r\n}\r\n"
    "item\r\n{\r\n  subpossibilities\r\n  {\r\n"
    "    a\r\n    {\r\n      kind \"value\"\r\n      type \"float\"\r\n      validation\r\n      {\r\n        "
    "ispositive\r\n        {\r\n        }\r\n      }\r\n    }\r\n"
    "    b\r\n    {\r\n      kind \"value\"\r\n      type \"string\"\r\n    }\r\n"
    "    c\r\n    {\r\n      kind \"value\"\r\n      type \"int\"\r\n    }\r\n"
    "    d\r\n    {\r\n      kind \"value\"\r\n      type \"vector3\"\r\n    }\r\n"
    "    e\r\n    {\r\n      kind \"value\"\r\n      type \"bool\"\r\n    }\r\n"
    "  }\r\n}\r\n";

// scale 1: 2,500 top-level tags and 500 sub-containers of 5 tags each.
std::string BenchConfig(int scale)
{
    std::string text = "kuid <kuid:1:2>\r\nkind \"bench\"\r\nusername \"Bench\"\r\ntitle \"Large\"\r\nflag 1\r\n";
    for (int i = 0; i < 2495 * scale; ++i)
        text += "tag-" + std::to_string(i) + " " + std::to_string(i % 977) + ".5\r\n";
    text += "group\r\n{\r\n";
    for (int i = 0; i < 500 * scale; ++i) {
        text += "  item" + std::to_string(i) + "\r\n  {\r\n    a " + std::to_string(i) +
                "\r\n    b \"item text\"\r\n    c 7\r\n    d 1,2,3\r\n    e 0\r\n  }\r\n";
    }
    text += "}\r\n";
    return text;
}

class Workspace {
public:
    Workspace()
    {
        char pattern[] = "/tmp/korvel-templates-bench-XXXXXX";
        if (!mkdtemp(pattern))
            std::exit(1);
        base_ = pattern;
        root_ = base_ + "/install";
        mkdir(root_.c_str(), 0700);
        mkdir((root_ + "/bin").c_str(), 0700);
        InitInstallPaths(Zel::File::Path(root_.c_str()));
        CreateUserFolders();
        InterfaceTextDB::SetDataFolder(KORVEL_SOURCE_DIR "/data");
        DODLib::ErrorHandler::Initialise();
    }
    ~Workspace()
    {
        DODLib::DataManager::Shutdown();
        DODLib::ErrorHandler::Shutdown();
        const std::string command = "rm -rf '" + base_ + "'";
        if (std::system(command.c_str()) != 0)
            std::fprintf(stderr, "could not remove %s\n", base_.c_str());
    }
    const std::string& Root() const { return root_; }

    void UseDataFolder(const std::string& folder)
    {
        DODLib::DataManager::Shutdown();
        DODLib::DataManager::Initialise(folder.c_str());
        DODLib::DataManager::Instance();
    }

private:
    std::string base_;
    std::string root_;
};

// Runs of a few milliseconds each: many of them, so that a loaded machine
// still shows the best case of both sides.
constexpr int ConfigRuns = 25;

// Reading and writing back a parsed config; the anchor parses its text.
// Without expectFindings any finding is a fault of the benchmark itself.
double CheckSeconds(const std::string& text, double& parseSeconds, bool expectFindings = false,
                    size_t* findings = nullptr)
{
    parseSeconds = bench::BestOf(
        [&] {
            SoupHandle soup;
            ReadTextSoup(soup, text.data(), text.size(), false);
        },
        ConfigRuns);
    SoupHandle config;
    ReadTextSoup(config, text.data(), text.size(), false);
    return bench::BestOf(
        [&] {
            DODLib::ErrorHandler::Instance()->Clear();
            DODLib::Container container;
            container.Validate(config);
            SoupHandle out;
            if (container.Export(out))
                container.RunContainerValidators();
            if (findings)
                *findings = DODLib::ErrorHandler::Instance()->GetRecords().size();
            if (!expectFindings && !DODLib::ErrorHandler::Instance()->GetRecords().empty()) {
                std::fprintf(stderr, "unexpected finding: %s\n",
                             DODLib::ErrorHandler::Instance()->GetRecords()[0].text.c_str());
                std::exit(1);
            }
        },
        ConfigRuns);
}

void BenchConfigCheck(Workspace& workspace)
{
    const std::string folder = workspace.Root() + "/bench-templates/";
    mkdir(folder.c_str(), 0700);
    WriteFile(folder + "inheritance.txt", BenchInheritance);
    WriteFile(folder + "kind.txt", BenchKinds);
    WriteFile(folder + "container.txt", BenchContainers);
    workspace.UseDataFolder(folder);
    DODLib::DataManager::Instance()->LoadTemplates();

    double parse1 = 0;
    double parse2 = 0;
    const double check1 = CheckSeconds(BenchConfig(1), parse1);
    const double check2 = CheckSeconds(BenchConfig(2), parse2);
    std::printf("config check, 5,000 tags / 500 containers: %.2f ms, parsing it %.2f ms, ratio %.2f (goal <= 5)\n",
                check1 * 1e3, parse1 * 1e3, check1 / parse1);
    std::printf("config check, twice the size: %.2f ms, growth %.2f (linear = 2)\n", check2 * 1e3, check2 / check1);

    // Every tag a finding: the collector's duplicate test must stay linear.
    std::string strict1 = BenchConfig(1);
    std::string strict2 = BenchConfig(2);
    for (std::string* text : {&strict1, &strict2})
        text->replace(text->find("\"bench\""), 7, "\"strict\"");
    size_t count1 = 0;
    size_t count2 = 0;
    const double findings1 = CheckSeconds(strict1, parse1, true, &count1);
    const double findings2 = CheckSeconds(strict2, parse2, true, &count2);
    std::printf("config of %zu findings: %.2f ms; of %zu findings: %.2f ms, growth %.2f (linear = 2)\n", count1,
                findings1 * 1e3, count2, findings2 * 1e3, findings2 / findings1);
}

void BenchTextureWalk(Workspace& workspace)
{
    workspace.UseDataFolder(workspace.Root() + "/bin/DODData/");
    const std::string folder = workspace.Root() + "/UserData/editing/textures/";
    const std::string command = std::string("mkdir -p '").append(folder).append("'");
    if (std::system(command.c_str()) != 0)
        std::exit(1);
    const std::string image = TestImages::Bmp24(256, 256);
    for (int i = 0; i < 1000; ++i) {
        std::string name("t");
        name += std::to_string(i);
        WriteFile(folder + name + ".bmp", image);
        WriteFile(folder + name + ".texture.txt", "Primary=" + name + ".bmp\r\nTile=st\r\n");
    }
    DODLib::DataManager* manager = DODLib::DataManager::Instance();
    manager->SetAsset(Zel::PString("editing"), Zel::File::Path("textures/"));
    const Zel::File::Path path(folder.c_str());
    const double decode = bench::BestOf(
        [&] {
            for (int i = 0; i < 1000; ++i) {
                Zel::Bitmap bitmap;
                if (!bitmap.Load((folder + "t" + std::to_string(i) + ".bmp").c_str()))
                    std::exit(1);
            }
        },
        3);
    const double walk = bench::BestOf(
        [&] {
            DODLib::ErrorHandler::Instance()->Clear();
            DODLib::Container container;
            if (!container.CheckTextures(path, path))
                std::exit(1);
        },
        3);
    std::printf("texture walk, 1,000 BMPs of 256x256: %.1f ms, decoding them %.1f ms, ratio %.2f (goal <= 1.5)\n",
                walk * 1e3, decode * 1e3, walk / decode);
}

void BenchLibraryLoad(Workspace& workspace)
{
    const std::string folder = std::string(KORVEL_SOURCE_DIR) + "/data/DODData/";
    const std::string copy = workspace.Root() + "/library/";
    const std::string command = "cp -r '" + folder + "' '" + copy + "'";
    if (std::system(command.c_str()) != 0)
        std::exit(1);
    const double read = bench::BestOf([&] {
        for (const char* file : {"inheritance.txt", "kind.txt", "container.txt"}) {
            SoupHandle soup;
            soup.LoadFromFile(Zel::PString(), (copy + file).c_str());
        }
    });
    double load = 1e9;
    for (int run = 0; run < 5; ++run) {
        workspace.UseDataFolder(copy);
        const double once = bench::BestOf([&] { DODLib::DataManager::Instance()->LoadTemplates(); }, 1);
        load = std::min(load, once);
    }
    std::printf("template library load: %.2f ms, reading its files %.2f ms, ratio %.2f (goal <= 2)\n", load * 1e3,
                read * 1e3, load / read);
}

}  // namespace

// With an argument ("config", "textures" or "library") only that part runs.
int main(int argc, char** argv)
{
    const std::string only = argc > 1 ? argv[1] : "";
    Workspace workspace;
    // The interface text is loaded once before anything is timed.
    GetInterfaceText("$dod_eh_error");
    if (only.empty() || only == "config")
        BenchConfigCheck(workspace);
    if (only.empty() || only == "textures")
        BenchTextureWalk(workspace);
    if (only.empty() || only == "library")
        BenchLibraryLoad(workspace);
    return 0;
}
