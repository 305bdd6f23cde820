// KorvelBaseSpec's script cache: what reaches the log for bad sources, and what the cache files are named after.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "assetdb/spec_daemon_queries.h"
#include "foundation/base/crc32.h"
#include "results/results_log.h"
#include "script/common/source_file.h"
#include "script_host_test_root.h"
#include "scripthost/korvel_base_spec.h"
#include "scripthost/native_library_setup.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

Zel::String NoName(const KUID&)
{
    return Zel::String("");
}

const SpecDaemonQueries NoDaemon = {nullptr, nullptr, NoName};

std::string CacheFolder()
{
    return ScriptHostTestRoot() + "/UserData/cache/libraries";
}

std::string CacheName(const std::string& text, const char* plainName)
{
    char name[32];
    std::snprintf(name, sizeof name, "%08x%08x.gsl", Crc32(text.data(), text.size()), Crc32LowerCase(plainName));
    return name;
}

std::vector<std::string> LogTexts(const ResultsLog& log)
{
    std::vector<std::string> texts;
    for (const ResultsLogEntry& line : log.Lines())
        texts.emplace_back(line.text.c_str());
    return texts;
}

class AssetScriptCache : public ::testing::Test {
protected:
    void SetUp() override
    {
        ScriptHostTestRoot();
        SetSpecDaemonQueries(&NoDaemon);
        ASSERT_TRUE(SetUpNativeLibraries()) << NativeLibrarySetUpFault();
    }
    void TearDown() override { SetSpecDaemonQueries(nullptr); }

    // Writes the files into a fresh asset folder and caches its scripts.
    bool Cache(const std::vector<std::pair<std::string, std::string>>& files, const char* config, ResultsLog& log,
               const char* primary = "main.gs")
    {
        const std::string name = "asset" + std::to_string(++count_);
        for (const auto& file : files)
            folder_.MakeFile(name + "/" + file.first, file.second);
        SoupHandle soup;
        soup.SetNamedTag(Zel::PString("kuid"), "<kuid:77:1>");
        for (const char* line = config; *line != '\0';) {
            const char* blank = std::strchr(line, ' ');
            const char* end = std::strchr(line, '\n');
            soup.SetNamedTag(Zel::PString(std::string(line, blank).c_str()), std::string(blank + 1, end).c_str());
            line = end + 1;
        }
        KorvelBaseSpec spec(KUID(77, 1, 0), Zel::PString(), Zel::String(folder_.Root().c_str()),
                            Zel::String(name.c_str()), soup);
        const std::string primaryPath = folder_ / (name + "/" + primary);
        return spec.CacheScripts(Zel::PString(), spec.MakeFilePath(), primaryPath.c_str(), &log);
    }

    KorvelTest::TempFolder folder_;
    int count_ = 0;
};

TEST_F(AssetScriptCache, BadSourcesAreErrorLinesAndTheOtherFilesAreStillCompiled)
{
    const std::string good = "include \"gs.gs\"\nclass Main isclass GameObject { };\n";
    GSSourceFile protectedForm;
    const std::string other = "include \"gs.gs\"\nclass Twin isclass GameObject { };\n";
    protectedForm.SetText(other.data(), static_cast<uint32_t>(other.size()));
    const std::string twinPath = folder_ / "twin.gse";
    ASSERT_TRUE(protectedForm.Save(nullptr, twinPath.c_str()));
    std::ifstream twinIn(twinPath, std::ios::binary);
    const std::string twinBytes((std::istreambuf_iterator<char>(twinIn)), std::istreambuf_iterator<char>());

    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> files;
        std::string firstError;  // the start of the first line
    };
    const Case cases[] = {
        {"syntax", {{"main.gs", good}, {"bad.gs", "class Bad { public int X(void) { return ; };\n"}}, "bad.gs("},
        {"both forms of different text",
         {{"main.gs", good}, {"twin.gs", good}, {"twin.gse", twinBytes}},
         "CRC Mismatch on '"},
        {"unreadable protected form",
         {{"main.gs", good}, {"junk.gse", "not protected"}},
         "Unable to read script source file 'junk.gse'"},
        {"no primary", {{"other.gs", good}}, "Unable to locate primary script source file '"},
    };
    for (const Case& c : cases) {
        ResultsLog log;
        EXPECT_FALSE(Cache(c.files, "kind scenery\nkorvel-build 3.3\n", log)) << c.what;
        const std::vector<std::string> texts = LogTexts(log);
        ASSERT_FALSE(texts.empty()) << c.what;
        EXPECT_EQ(texts[0].rfind(c.firstError, 0), 0u) << c.what << ": " << texts[0];
        EXPECT_EQ(log.ErrorCount(), static_cast<int32_t>(texts.size())) << c.what;
    }
    // The good primary beside the bad files was still compiled.
    EXPECT_TRUE(fs::exists(CacheFolder() + "/" + CacheName(good, "main.gs")));
}

TEST_F(AssetScriptCache, AnOldActivityGetsTheScenarioTextsWithoutChangingItsCacheName)
{
    // Uses the scenario class without including it: the prefix does.
    const std::string text = "class Main { ScenarioStringTable texts; };\n";
    ResultsLog log;
    EXPECT_TRUE(Cache({{"main.gs", text}}, "kind activity\nkorvel-build 2.0\n", log)) << LogTexts(log)[0];
    EXPECT_TRUE(fs::exists(CacheFolder() + "/" + CacheName(text, "main.gs")));

    // From build 2.90 on nothing is put in front (another text, so the
    // cache file of the first does not answer).
    ResultsLog newer;
    EXPECT_FALSE(Cache({{"main.gs", "// newer\n" + text}}, "kind activity\nkorvel-build 3.3\n", newer));
}

TEST_F(AssetScriptCache, AProtectedSourceCountsAsItsPlainNameAndADamagedCacheFileIsRebuilt)
{
    const std::string text = "include \"gs.gs\"\nclass Sealed isclass GameObject { };\n";
    GSSourceFile sealed;
    sealed.SetText(text.data(), static_cast<uint32_t>(text.size()));
    folder_.MakeFolder("sealed");
    ASSERT_TRUE(sealed.Save(nullptr, (folder_ / "sealed/main.gse").c_str()));
    std::ifstream in(folder_ / "sealed/main.gse", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    const std::string cacheFile = CacheFolder() + "/" + CacheName(text, "main.gs");
    std::ofstream(cacheFile, std::ios::binary) << "damaged";
    ResultsLog log;
    EXPECT_TRUE(Cache({{"main.gse", bytes}}, "kind scenery\nkorvel-build 3.3\n", log));
    EXPECT_EQ(log.LineCount(), 0);
    EXPECT_GT(fs::file_size(cacheFile), 20u);
}

}  // namespace
