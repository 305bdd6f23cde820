// The interface-text database: language choice, loading with the ".txt" fallback, lookups and their log lines.
#include "interfacetext/interface_text_db.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "foundation/base/global_data_lock.h"
#include "foundation/base/install_paths.h"
#include "foundation/base/process_values.h"
#include "soup/soup_handle.h"
#include "support/temp_folder.h"
#include "zel/log.h"
#include "zel/pstring.h"
#include "zel/string.h"

namespace {

// A temporary data folder with the log captured in a file.
class InterfaceTextTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetMainThreadId();
        ASSERT_FALSE(folder.empty());
        InterfaceTextDB::SetDataFolder(folder.c_str());
        InterfaceTextDB::ChooseLanguage("EN");
        InterfaceTextDB::MarkNotLoaded();
        InterfaceTextDB::ResetMissingTagCount();
        logFile = std::tmpfile();
        Zel::Log::SetOutput(logFile);
    }

    void TearDown() override
    {
        Zel::Log::SetOutput(nullptr);
        std::fclose(logFile);
        InterfaceTextDB::SetDataFolder(nullptr);
        InterfaceTextDB::MarkNotLoaded();
    }

    void WriteFile(const std::string& name, const std::string& text)
    {
        std::ofstream out(folder + "/" + name, std::ios::binary);
        out << text;
    }

    void WriteCompiled(const std::string& name, const char* tag, const char* text)
    {
        SoupHandle soup;
        soup.SetNamedTag(Zel::PString(tag), text);
        ASSERT_TRUE(soup.SaveToFile(Zel::PString(), (folder + "/" + name).c_str()));
    }

    // The log lines written since SetUp.
    std::vector<std::string> LogLines()
    {
        std::fflush(logFile);
        std::rewind(logFile);
        std::vector<std::string> lines;
        char buffer[1024];
        while (std::fgets(buffer, sizeof buffer, logFile) != nullptr) {
            std::string line(buffer);
            while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
                line.pop_back();
            lines.push_back(line);
        }
        return lines;
    }

    static std::string Text(const char* tag, bool warnings = true)
    {
        return InterfaceTextDB::Instance().GetString(Zel::PString(tag), warnings).c_str();
    }

    KorvelTest::TempFolder place{"interfacetext"};
    const std::string& folder = place.Root();
    FILE* logFile = nullptr;
};

struct LanguageCase {
    const char* code;
    const char* file;
};

TEST_F(InterfaceTextTest, LanguageCodeChoosesItsFileAndUnknownCodesKeepTheChoice)
{
    const LanguageCase cases[] = {
        {"fr", "interfaceFrench.chump"},  {"SE", "interfaceFrench.chump"},    {"CH", "interfaceFrench.chump"},
        {"xx", "interfaceFrench.chump"},  {"us", "interfacetext.chump"},      {"DE", "interfaceGerman.chump"},
        {"uk", "interfacetext.chump"},    {"it", "interfaceItalian.chump"},   {"Ru", "interfaceRussian.chump"},
        {"AU", "interfacetext.chump"},    {"cz", "interfaceCzech.chump"},     {"pl", "interfacePolish.chump"},
        {"es", "interfaceSpanish.chump"}, {"cn", "interfaceChinese.chump"},   {"nl", "interfaceDutch.chump"},
        {"kr", "interfaceKorean.chump"},  {"hu", "interfaceHungarian.chump"}, {nullptr, "interfacetext.chump"},
        {"en", "interfacetext.chump"},
    };
    for (const LanguageCase& c : cases) {
        InterfaceTextDB::ChooseLanguage(c.code);
        EXPECT_STREQ(InterfaceTextDB::GetFileName().c_str(), c.file) << (c.code ? c.code : "(null)");
    }
    EXPECT_FALSE(InterfaceTextDB::IsLoaded());  // choosing never loads
}

TEST_F(InterfaceTextTest, MissingCompiledFileFallsBackToTheTextFormAfterOneLogLine)
{
    WriteFile("interfaceFrench.txt", "$kad_installed \"Installe\"\n");
    InterfaceTextDB::ChooseLanguage("FR");
    EXPECT_EQ(Text("$kad_installed"), "Installe");
    EXPECT_TRUE(InterfaceTextDB::IsLoaded());
    EXPECT_STREQ(InterfaceTextDB::GetFileName().c_str(), "interfaceFrench.txt");
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"InterfaceTextDB> failed to load compiled interfacetext file"}));
}

TEST_F(InterfaceTextTest, CompiledFileIsPreferredOverTheTextForm)
{
    WriteCompiled("interfaceGerman.chump", "$kad_installed", "compiled");
    WriteFile("interfaceGerman.txt", "$kad_installed \"text\"\n");
    InterfaceTextDB::ChooseLanguage("DE");
    EXPECT_EQ(Text("$kad_installed"), "compiled");
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(InterfaceTextTest, NoFileAtAllLeavesAnEmptyDatabaseAndLogsBothFailures)
{
    InterfaceTextDB::ChooseLanguage("NL");
    EXPECT_EQ(Text("$kad_installed"), "$kad_installed");
    EXPECT_EQ(Text("$kad_installed", false), "");
    EXPECT_EQ(LogLines(), (std::vector<std::string>{
                              "InterfaceTextDB> failed to load compiled interfacetext file",
                              "InterfaceTextDB> Unable to read interface file 'interfaceDutch.txt'",
                              "InterfaceTextDB::GetString> Tag '$kad_installed' not found in 'interfaceDutch.txt'",
                          }));
}

TEST_F(InterfaceTextTest, OnlyTheFirstTenMissingTagsAreLoggedAndEachComesBackAsItself)
{
    WriteFile("interfacetext.txt", "$present \"here\"\n");
    for (int i = 0; i < 12; ++i) {
        const std::string tag = "$missing_" + std::to_string(i);
        EXPECT_EQ(Text(tag.c_str()), tag);
    }
    EXPECT_EQ(InterfaceTextDB::GetMissingTagCount(), 12);
    std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 11u);  // the fallback line and ten misses
    EXPECT_EQ(lines[1], "InterfaceTextDB::GetString> Tag '$missing_0' not found in 'interfacetext.txt'");
    EXPECT_EQ(lines[10], "InterfaceTextDB::GetString> Tag '$missing_9' not found in 'interfacetext.txt'");
    // With warnings off a miss is neither counted nor logged.
    EXPECT_EQ(Text("$missing_x", false), "");
    EXPECT_EQ(InterfaceTextDB::GetMissingTagCount(), 12);
}

TEST_F(InterfaceTextTest, NullAndEmptyTagsComeBackUnchanged)
{
    WriteFile("interfacetext.txt", "$present \"here\"\n");
    InterfaceTextDB& database = InterfaceTextDB::Instance();
    EXPECT_TRUE(database.GetString(Zel::PString(), true).IsNull());
    EXPECT_STREQ(database.GetString(Zel::PString(""), true).c_str(), "");
    EXPECT_TRUE(database.GetScenarioString(Zel::PString()).IsNull());
    EXPECT_EQ(InterfaceTextDB::GetMissingTagCount(), 0);
}

TEST_F(InterfaceTextTest, ScenarioTextsComeFromTheirSubSoupAndAMissOnlyGivesEmptyText)
{
    WriteFile("interfacetext.txt", "$top \"top level\"\n"
                                   "scenario_text\n{\n  $intro \"Welcome aboard\"\n}\n");
    InterfaceTextDB& database = InterfaceTextDB::Instance();
    EXPECT_STREQ(database.GetScenarioString(Zel::PString("$intro")).c_str(), "Welcome aboard");
    EXPECT_STREQ(database.GetScenarioString(Zel::PString("$top")).c_str(), "");
    EXPECT_EQ(InterfaceTextDB::GetMissingTagCount(), 0);
}

// Start-up loads, then marks the database not loaded; the first lookup of
// the command loads the file again.
TEST_F(InterfaceTextTest, MarkNotLoadedMakesTheNextLookupReadTheFileAgain)
{
    WriteFile("interfacetext.txt", "$word \"first\"\n");
    InterfaceTextDB::Instance();
    InterfaceTextDB::MarkNotLoaded();
    WriteFile("interfacetext.txt", "$word \"second\"\n");
    EXPECT_STREQ(GetInterfaceText("$word").c_str(), "second");

    WriteFile("interfacetext.txt", "$word \"third\"\n");
    EXPECT_STREQ(GetInterfaceText("$word").c_str(), "second");  // loaded: not read again
}

// Start-up prepares the load; reading waits for the first lookup, and the
// log says what a load at start-up said.
TEST_F(InterfaceTextTest, PreparedLoadChoosesTheTextFormAtOnceAndReadsItAtTheFirstLookup)
{
    WriteFile("interfacetext.txt", "$word \"at start-up\"\n");
    InterfaceTextDB::PrepareFirstLoad();
    EXPECT_FALSE(InterfaceTextDB::IsLoaded());
    EXPECT_STREQ(InterfaceTextDB::GetFileName().c_str(), "interfacetext.txt");
    const std::vector<std::string> fallback = {"InterfaceTextDB> failed to load compiled interfacetext file"};
    EXPECT_EQ(LogLines(), fallback);

    WriteFile("interfacetext.txt", "$word \"at the lookup\"\n");
    EXPECT_EQ(Text("$word"), "at the lookup");
    EXPECT_EQ(LogLines(), fallback);
}

TEST_F(InterfaceTextTest, PreparedLoadWithTheCompiledFormThereLogsNothing)
{
    WriteCompiled("interfacetext.chump", "$word", "compiled");
    InterfaceTextDB::PrepareFirstLoad();
    EXPECT_FALSE(InterfaceTextDB::IsLoaded());
    EXPECT_STREQ(InterfaceTextDB::GetFileName().c_str(), "interfacetext.chump");
    EXPECT_EQ(Text("$word"), "compiled");
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(InterfaceTextTest, PreparedLoadWithNeitherFormThereLoadsTheEmptyDatabaseAtOnce)
{
    InterfaceTextDB::ChooseLanguage("NL");
    InterfaceTextDB::PrepareFirstLoad();
    EXPECT_TRUE(InterfaceTextDB::IsLoaded());
    const std::vector<std::string> failures = {
        "InterfaceTextDB> failed to load compiled interfacetext file",
        "InterfaceTextDB> Unable to read interface file 'interfaceDutch.txt'",
    };
    EXPECT_EQ(LogLines(), failures);
    EXPECT_EQ(Text("$word", false), "");
    EXPECT_EQ(LogLines(), failures);
}

TEST_F(InterfaceTextTest, LookupsLeaveTheDataLockFree)
{
    WriteFile("interfacetext.txt", "$word \"text\"\n");
    GetInterfaceText("$word");
    GetInterfaceText("$absent");
    InterfaceTextDB::Instance().GetScenarioString(Zel::PString("$x"));
    EXPECT_EQ(GlobalDataLock::Instance().GetHoldCount(), 0);
}

// Readers on several threads never see the half-loaded soup of a reload.
TEST_F(InterfaceTextTest, LookupsDuringReloadsAlwaysSeeTheWholeFile)
{
    WriteFile("interfacetext.txt", "$word \"text\"\n");
    std::vector<std::thread> readers;
    std::atomic<int> wrong{0};
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([&] {
            for (int i = 0; i < 200; ++i) {
                if (std::string(GetInterfaceText("$word").c_str()) != "text")
                    wrong.fetch_add(1);
            }
        });
    }
    for (int i = 0; i < 50; ++i) {
        InterfaceTextDB::MarkNotLoaded();
        GetInterfaceText("$word");
    }
    for (std::thread& reader : readers)
        reader.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(GlobalDataLock::Instance().GetHoldCount(), 0);
}

// The product layout: the files lie in the top-level folder "data" under
// the installation root, beside bin/ and UserData/.
TEST_F(InterfaceTextTest, WithoutAFolderOverrideTheFilesAreReadFromDataUnderTheInstallationRoot)
{
    ASSERT_EQ(std::system(("mkdir -p '" + folder + "/data'").c_str()), 0);
    WriteFile("data/interfacetext.txt", "$word \"installed text\"\n");
    InterfaceTextDB::SetDataFolder(nullptr);
    ASSERT_TRUE(InitInstallPaths(Zel::File::Path(folder.c_str())));
    EXPECT_STREQ(GetInterfaceText("$word").c_str(), "installed text");
}

#ifdef KORVEL_SOURCE_DIR
// The English file we ship: the keys the code looks up, with the
// placeholders their callers fill.
TEST_F(InterfaceTextTest, ShippedEnglishTextDefinesTheKeysTheCodeUses)
{
    InterfaceTextDB::SetDataFolder(KORVEL_SOURCE_DIR "/data");
    struct KeyCase {
        const char* key;
        const char* mustContain;
    };
    const KeyCase cases[] = {
        {"$main_language", "english"},
        {"$cm_general_untitled", "Untitled"},
        {"$kad_installed", "$(ASSET_KUID)"},
        {"$kad_write_error", "$(ASSET_KUID)"},
        {"$kad_overwrite_error", "$(ASSET_KUID)"},
        {"$kad_failed_install", "$(ASSET_KUID)"},
        {"$kad_archive_version", "$(VERSION)"},
        {"$kad_unreadable_cdp", "$(FILE_PATH)"},
        {"$kad_unable_read_config_at", "$(FILE_PATH)"},
        {"$kad_archive_unreadable", ""},
        {"$kad_prompt_alreadyinstalled_log", ""},
        {"$kadtask_repair_err_duplicate", ""},
        {"$kadtexture_open_error", "$(FILE_NAME)"},
        {"$kadtexture_invalid_subst", "$(ARCHIVE)"},
        {"$kad_texture_compress_err", ""},
        {"$dod_val_notwithinrange", "%g and %g"},
        {"$dod_val_arraywrongsize", "%d"},
        {"$dod_mesh_load_texture", "%s"},
    };
    for (const KeyCase& c : cases) {
        const std::string text = Text(c.key, false);
        EXPECT_FALSE(text.empty()) << c.key;
        EXPECT_NE(text.find(c.mustContain), std::string::npos) << c.key << ": " << text;
    }
    EXPECT_EQ(InterfaceTextDB::GetMissingTagCount(), 0);
}
#endif

}  // namespace
