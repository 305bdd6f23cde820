// The compiler driver's source search: include folders and their order,
// protected sources, each dependency compiled once, the library id.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/base/crc32.h"
#include "script/common/library_image_reader.h"
#include "script/compiler/compile_log.h"
#include "script/compiler/compiler_driver.h"
#include "script/compiler/include_dirs.h"
#include "tests/script/compiler/driver_test_support.h"

namespace {

using driver_test::ClassSource;
using driver_test::RunCompiler;
using driver_test::WriteProtected;

uint32_t WordAt(const std::string& bytes, size_t at)
{
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= uint32_t(uint8_t(bytes[at + i])) << (8 * i);
    return value;
}

// The library id in an image's header: source CRC, file-name CRC.
std::pair<uint32_t, uint32_t> LibraryId(const std::string& image)
{
    EXPECT_GE(image.size(), 20u);
    return {WordAt(image, 12), WordAt(image, 16)};
}

// A source that fails to parse: finding it instead of the right one shows.
const std::string kWrongFile = "this is not the file to find\n";

TEST(DriverSearch, TheSourceFolderIsSearchedFirstThenTheIncludeFoldersInTheirOrder)
{
    struct Case {
        const char* what;
        std::vector<std::string> holders;  // folders that hold the right inc.gs
    };
    // Every folder holds inc.gs; the one that must be found defines Base, the
    // others do not parse.
    const Case cases[] = {
        {"source folder before -i folders", {"src"}},
        {"first -i folder before the second", {"one"}},
        {"second -i folder last", {"two"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        KorvelTest::TempFolder tree;
        const std::string main = "include \"inc.gs\"\n" + ClassSource("Main", "Base b;");
        tree.MakeFile("src/main.gs", main);
        const std::string right = ClassSource("Base");
        const std::string wanted = c.holders[0];
        // Folders searched before the wanted one must not hold inc.gs at all.
        const std::vector<std::string> order = {"src", "one", "two"};
        bool reached = false;
        for (const std::string& folder : order) {
            if (folder == wanted) {
                tree.MakeFile(folder + "/inc.gs", right);
                reached = true;
            } else if (reached) {
                tree.MakeFile(folder + "/inc.gs", kWrongFile);
            }
        }
        // The process-wide list is given back as it was.
        GSCompiler::ClearIncludeDirs();
        GSCompiler::IncludeDirs().push_back(GSCIncludeDir(Zel::File::Path("kept/"), Zel::PString("scripts")));
        driver_test::CommandRun run =
            RunCompiler({"dudoc", tree / "src/main.gs", "-i" + (tree / "one/"), "-i" + (tree / "two/")});
        EXPECT_EQ(run.result, 0) << run.out;
        EXPECT_TRUE(tree.Has("src/main.gsl"));
        ASSERT_EQ(GSCompiler::IncludeDirs().size(), 1u);
        EXPECT_EQ(GSCompiler::IncludeDirs()[0].path.Str(), "kept/");
        EXPECT_EQ(GSCompiler::IncludeDirs()[0].container.View(), "scripts");
        GSCompiler::ClearIncludeDirs();
    }
}

TEST(DriverSearch, AProtectedSourceIsFoundWhenItsPlainSourceIsMissing)
{
    struct Case {
        const char* what;
        std::string source;                // as given on the command line
        std::vector<std::string> plain;    // files written as .gs: name, text pairs
        std::vector<std::string> protect;  // files written as .gse: name, text pairs
        int errors;
        std::string out;
    };
    const std::string incMain = "include \"inc.gs\"\n" + ClassSource("Main", "Base b;");
    const Case cases[] = {
        {"main given as .gse", "m.gse", {}, {"m.gse", ClassSource("M")}, 0, ""},
        {"main given as .gs, only .gse there", "m.gs", {}, {"m.gse", ClassSource("M")}, 0, ""},
        {"both there: the plain source wins", "m.gse", {"m.gs", ClassSource("M")}, {"m.gse", kWrongFile}, 0, ""},
        {"include found protected", "main.gs", {"main.gs", incMain}, {"inc.gse", ClassSource("Base")}, 0, ""},
        {"only a gs name has a protected twin",
         "main.gs",
         {"main.gs", "include \"inc\"\n" + ClassSource("Main")},
         {"inc.gse", ClassSource("Base")},
         1,
         "Could not read file (null) inc.\n"},
        {"a final e is dropped from any main name",
         "game",
         {"game", ClassSource("G")},
         {},
         1,
         "Could not read file (null) gam.\n"},
        {"a damaged protected file is a file that cannot be read",
         "m.gs",
         {},
         {"m.gse", ""},
         1,
         "Could not read file (null) m.gs.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        KorvelTest::TempFolder tree;
        for (size_t i = 0; i + 1 < c.plain.size(); i += 2)
            tree.MakeFile(c.plain[i], c.plain[i + 1]);
        for (size_t i = 0; i + 1 < c.protect.size(); i += 2) {
            if (c.protect[i + 1].empty())
                tree.MakeFile(c.protect[i], std::string(16, '\0') + "damaged");
            else
                WriteProtected(tree, c.protect[i], c.protect[i + 1]);
        }
        driver_test::CommandRun run = RunCompiler({"dudoc", tree / c.source});
        EXPECT_EQ(run.result, c.errors) << run.out;
        EXPECT_EQ(run.out, c.out);
    }
}

TEST(DriverSearch, EachDependencyIsCompiledOnce)
{
    // A second compile of any file would declare its class twice.
    struct Case {
        const char* what;
        std::vector<std::string> files;  // name, text pairs; the first is the main file
    };
    const Case cases[] = {
        {"diamond",
         {"a.gs", "include \"b.gs\"\ninclude \"c.gs\"\n" + ClassSource("A", "B b; C c;"), "b.gs",
          "include \"c.gs\"\n" + ClassSource("B"), "c.gs", ClassSource("C")}},
        {"files that include each other",
         {"a.gs", "include \"b.gs\"\n" + ClassSource("A", "B b;"), "b.gs", "include \"a.gs\"\n" + ClassSource("B")}},
        {"the same file name in another folder is not compiled again",
         {"a.gs", "include \"inc.gs\"\ninclude \"lib/inc.gs\"\n" + ClassSource("A", "Base b;"), "inc.gs",
          ClassSource("Base"), "lib/inc.gs", kWrongFile}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        KorvelTest::TempFolder tree;
        for (size_t i = 0; i + 1 < c.files.size(); i += 2)
            tree.MakeFile(c.files[i], c.files[i + 1]);
        driver_test::CommandRun run = RunCompiler({"dudoc", tree / c.files[0]});
        EXPECT_EQ(run.result, 0) << run.out;
    }
}

TEST(DriverSearch, DependenciesAreNumberedInTheOrderTheyAreFirstMet)
{
    // main includes b and c; b includes d and main (a cycle); c includes d
    // again. Depth first: main 0, b 1, d 2, c 3.
    KorvelTest::TempFolder tree;
    const std::vector<std::pair<std::string, std::string>> files = {
        {"main.gs", "include \"b.gs\"\ninclude \"c.gs\"\n" + ClassSource("Main", "B b; C c;")},
        {"b.gs", "include \"d.gs\"\ninclude \"main.gs\"\n" + ClassSource("B")},
        {"d.gs", ClassSource("D")},
        {"c.gs", "include \"d.gs\"\n" + ClassSource("C", "D d;")},
    };
    for (const auto& [name, text] : files)
        tree.MakeFile(name, text);
    driver_test::CommandRun run = RunCompiler({"dudoc", tree / "main.gs"});
    ASSERT_EQ(run.result, 0) << run.out;
    const std::string bytes = tree.ReadFile("main.gsl");
    GSImage::LibraryImage image;
    GSImage::ImageError error;
    ASSERT_TRUE(
        GSImage::ReadLibraryImage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &image, &error));
    ASSERT_EQ(image.dependencies.size(), files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(files[i].first);
        const std::string& text = files[i].second;
        EXPECT_EQ(image.dependencies[i].sourceCrc, Crc32(text.data(), text.size()));
        EXPECT_EQ(image.dependencies[i].fileNameCrc, Crc32LowerCase(files[i].first.c_str()));
    }
}

TEST(DriverSearch, NamesAreFoundWhateverTheirLetterCase)
{
    // Sources written on other systems name their files in any case; the
    // compiler lower-cases what it searches and the file layer matches.
    KorvelTest::TempFolder tree;
    tree.MakeFile("Src/Main.GS", "include \"INC.gs\"\n" + ClassSource("Main", "Base b;"));
    tree.MakeFile("Src/Inc.Gs", ClassSource("Base"));
    driver_test::CommandRun run = RunCompiler({"dudoc", tree / "Src/MAIN.gs"});
    EXPECT_EQ(run.result, 0) << run.out;
    EXPECT_TRUE(tree.Has("Src/MAIN.gsl"));
}

TEST(DriverSearch, AMissingIncludeStopsTheCompilation)
{
    KorvelTest::TempFolder tree;
    tree.MakeFile("a.gs", "include \"gone.gs\"\n" + ClassSource("A"));
    driver_test::CommandRun run = RunCompiler({"dudoc", tree / "a.gs"});
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(run.out, "Could not read file (null) gone.gs.\n");
    EXPECT_FALSE(tree.Has("a.gsl"));
}

TEST(DriverSearch, AProtectedSourceHasTheLibraryIdOfItsPlainSource)
{
    KorvelTest::TempFolder tree;
    const std::string text = "// a train\r\n" + ClassSource("Train", "int speed;\r\nstring name;");
    tree.MakeFile("plain/Train.gs", text);
    WriteProtected(tree, "protected/Train.gse", text);
    ASSERT_EQ(RunCompiler({"dudoc", tree / "plain/Train.gs"}).result, 0);
    ASSERT_EQ(RunCompiler({"dudoc", tree / "protected/Train.gse"}).result, 0);
    const auto plainId = LibraryId(tree.ReadFile("plain/Train.gsl"));
    EXPECT_EQ(plainId, LibraryId(tree.ReadFile("protected/Train.gsl")));
    EXPECT_EQ(plainId.first, Crc32(text.data(), text.size()));
    EXPECT_EQ(plainId.second, Crc32LowerCase("train.gs"));
}

TEST(DriverSearch, CompileToFileSearchesTheCallersListLastEntryFirstAndSkipsThePrefix)
{
    KorvelTest::TempFolder tree;
    tree.MakeFile("back/lib.gs", ClassSource("Lib"));
    tree.MakeFile("front/lib.gs", kWrongFile);
    GSCompiler::ClearIncludeDirs();
    GSCompiler::IncludeDirs().push_back(GSCIncludeDir(Zel::File::Path(tree / "front"), Zel::PString()));
    GSCompiler::IncludeDirs().push_back(GSCIncludeDir(Zel::File::Path(tree / "back"), Zel::PString()));

    GSCompileLog log;
    GSSourceFile::LoadPrefix = Zel::PString("// prefix\r\n");
    EXPECT_EQ(GSCompiler::CompileToFile(&log, "lib.gs", (tree / "lib.gsl").c_str()), 0);
    EXPECT_EQ(log.LineCount(), 0u);
    const std::string text = ClassSource("Lib");
    EXPECT_EQ(LibraryId(tree.ReadFile("lib.gsl")).first, Crc32(text.data(), text.size()));

    // No output path: built, nothing written. No source: nothing at all.
    EXPECT_EQ(GSCompiler::CompileToFile(&log, "lib.gs", nullptr), 0);
    EXPECT_EQ(GSCompiler::CompileToFile(&log, nullptr, (tree / "none.gsl").c_str()), 0);
    EXPECT_FALSE(tree.Has("none.gsl"));

    const std::string unwritable = tree / "no/folder/lib.gsl";
    EXPECT_EQ(GSCompiler::CompileToFile(&log, "lib.gs", unwritable.c_str()), 1);
    ASSERT_EQ(log.LineCount(), 1u);
    EXPECT_EQ(std::string(log.Line(0)), "Unable to open output file: '" + unwritable + "'.\n");
    EXPECT_EQ(GSCompiler::CompileToFile(&log, "missing.gs", nullptr), 1);
    GSCompiler::ClearIncludeDirs();
}

}  // namespace
