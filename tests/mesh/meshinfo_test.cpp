// The meshinfo tool: its exact report of well-formed and damaged ".im", ".pm", ".lm" and ".lm.txt" files, its LOD save, and its exit codes.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "mesh/im_writer.h"
#include "mesh/lm_writer.h"
#include "mesh/pm_writer.h"
#include "support/temp_folder.h"

namespace {

struct ToolRun {
    std::string out;
    int status = -1;
};

ToolRun MeshInfo(const std::string& arguments)
{
    ToolRun run;
    std::string command = std::string(KORVEL_MESHINFO) + " " + arguments + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.out.append(buffer, n);
    int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace

TEST(MeshInfoTest, ReportsContentsOfAWellFormedMesh)
{
    KorvelTest::TempFolder tree;
    KorvelTest::ImFile file;
    file.chunks.push_back(KorvelTest::QuadChunk("body.m.onetex"));
    file.chunks[0].material.textures = {{0, "body.texture", 0}, {0, "grime.texture", 0}};
    file.chunks.push_back(KorvelTest::QuadChunk("glass.m.notex"));
    file.writeInfluences = true;
    file.influences.resize(2);
    file.influences[0].name = "root";
    file.influences[1].name = "arm";
    file.influences[1].parent = "root";
    file.influences[1].entries = {{0, {{0, 1.0f}, {1, 0.5f}}}};
    file.writeAttachments = true;
    file.attachments.resize(1);
    file.attachments[0].name = "a.headlight";
    tree.MakeFile("Loco Ünicode/body.texture", "x");
    tree.MakeFile("Loco Ünicode/loco.im", KorvelTest::WriteIm(file));
    std::string path = tree / "Loco Ünicode/loco.im";
    ToolRun run = MeshInfo("'" + path + "'");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "result 0\n"
                       "chunks 2\n"
                       "vertices 8\n"
                       "faces 4\n"
                       "materials 2\n"
                       "material 0 body.m.onetex\n"
                       "material 1 glass.m.notex\n"
                       "missing-texture " +
                           tree / "Loco Ünicode/grime.texture" +
                           "\n"
                           "influence 0 root -\n"
                           "influence 1 arm root\n"
                           "attachment a.headlight\n");
}

TEST(MeshInfoTest, DamagedFilesPrintOnlyTheirResultAndExitOne)
{
    KorvelTest::TempFolder tree;
    KorvelTest::ImFile file;
    file.chunks.push_back(KorvelTest::QuadChunk());
    std::string good = KorvelTest::WriteIm(file);
    file.chunks[0].geometry.version = 202;
    struct Case {
        std::string bytes;
        std::string out;
    } cases[] = {
        {good.substr(0, 7), "result 3\n"},
        {KorvelTest::WriteIm(file), "result 4\n"},
        {"", "result 2\n"},
    };
    for (const Case& c : cases) {
        tree.MakeFile("bad.im", c.bytes);
        ToolRun run = MeshInfo(tree / "bad.im");
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.status, 1);
    }
    ToolRun absent = MeshInfo(tree / "absent.im");
    EXPECT_EQ(absent.out, "result 2\n");
    EXPECT_EQ(absent.status, 1);
    ToolRun usage = MeshInfo("");
    EXPECT_EQ(usage.out, "");
    EXPECT_EQ(usage.status, 2);
}

TEST(MeshInfoTest, ReportsALodMeshAndASecondSaveIsByteIdentical)
{
    KorvelTest::TempFolder tree;
    KorvelTest::LmFile file;
    file.levels = {KorvelTest::QuadLevel(10, 4), KorvelTest::QuadLevel(20.5f, 2), KorvelTest::QuadLevel(-1, 1)};
    file.named = {{2, "Night", true}, {0, "dusk", false}};
    file.materials[0].textures = {{0, "body.texture", 0}};
    file.boneTable = {{"root", ""}, {"arm", "root"}};
    file.attachments.resize(2);
    file.attachments[0].name = "lamp:Cull";
    file.attachments[1].name = "a.door";
    tree.MakeFile("Lok Ü/lok.lm", KorvelTest::WriteLm(file));
    std::string expected = "result 0\n"
                           "chunks 1\n"
                           "vertices 4\n"
                           "faces 2\n"
                           "materials 1\n"
                           "material 0 body.m.onetex\n"
                           "influence 0 root -\n"
                           "influence 1 arm root\n"
                           "attachment lamp\n"
                           "attachment a.door\n"
                           "levels 3\n"
                           "distance 0 10\n"
                           "distance 1 20.5\n"
                           "named-level night 2\n"
                           "named-level dusk 0\n"
                           "cull-attachment lamp\n";
    ToolRun run = MeshInfo("'" + tree / "Lok Ü/lok.lm" + "' --save '" + tree / "Lok Ü/first.lm" + "'");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, expected);
    ToolRun again = MeshInfo("'" + tree / "Lok Ü/first.lm" + "' --save '" + tree / "Lok Ü/second.lm" + "'");
    EXPECT_EQ(again.out, expected);
    std::string first = tree.ReadFile("Lok Ü/first.lm");
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(tree.ReadFile("Lok Ü/second.lm"), first);
    EXPECT_FALSE(tree.Has("Lok Ü/second.lm.saving"));
}

TEST(MeshInfoTest, LodFailuresAndMisuseOfSave)
{
    KorvelTest::TempFolder tree;
    KorvelTest::LmFile file;
    file.levels = {KorvelTest::QuadLevel(20), KorvelTest::QuadLevel(10)};
    tree.MakeFile("bad.lm", KorvelTest::WriteLm(file));
    ToolRun bad = MeshInfo(tree / "bad.lm" + " --save " + tree / "out.lm");
    EXPECT_EQ(bad.out, "result 3\n");
    EXPECT_EQ(bad.status, 1);
    EXPECT_FALSE(tree.Has("out.lm"));

    file.levels = {KorvelTest::QuadLevel(0)};
    tree.MakeFile("good.lm", KorvelTest::WriteLm(file));
    // A folder that does not exist cannot take the file: the run fails and says why.
    ToolRun unwritable = MeshInfo(tree / "good.lm" + " --save " + tree / "none/out.lm");
    EXPECT_EQ(unwritable.out, "result 0\n");
    EXPECT_EQ(unwritable.status, 1);

    KorvelTest::ImFile indexed;
    indexed.chunks.push_back(KorvelTest::QuadChunk());
    tree.MakeFile("mesh.im", KorvelTest::WriteIm(indexed));
    EXPECT_EQ(MeshInfo(tree / "mesh.im" + " --save " + tree / "out.lm").status, 2);
    EXPECT_EQ(MeshInfo(tree / "good.lm" + " --keep " + tree / "out.lm").status, 2);
}

TEST(MeshInfoTest, ReportsALodTextDescription)
{
    KorvelTest::TempFolder tree;
    KorvelTest::ImFile near;
    near.chunks.push_back(KorvelTest::QuadChunk("body.m.onetex", 1));
    near.chunks.push_back(KorvelTest::QuadChunk("glass.m.notex", 1));
    KorvelTest::ImFile far;
    far.chunks.push_back(KorvelTest::QuadChunk("body.m.onetex", 2));
    tree.MakeFile("lok/a.im", KorvelTest::WriteIm(near));
    tree.MakeFile("lok/b.im", KorvelTest::WriteIm(far));
    tree.MakeFile("lok/lok.lm.txt", "version 1.00\n"
                                    "mesh 0 { name a.im }\n"
                                    "mesh 50 { name b.im }\n"
                                    "mesh Damaged { name a.im; animated true }\n"
                                    "calcPoint Near\n");
    ToolRun run = MeshInfo(tree / "lok/lok.lm.txt" + " --save " + tree / "lok/lok.lm");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "result 0\n"
                       "chunks 1\n"
                       "vertices 4\n"
                       "faces 2\n"
                       "materials 2\n"
                       "material 0 body.m.onetex\n"
                       "material 1 glass.m.notex\n"
                       "levels 2\n"
                       "distance 0 0\n"
                       "distance 1 50\n"
                       "named-level damaged 0\n");
    ToolRun binary = MeshInfo(tree / "lok/lok.lm");
    EXPECT_EQ(binary.out, run.out);
}

TEST(MeshInfoTest, ReportsAProgressiveMeshAndRefusesADamagedRefinementBlock)
{
    KorvelTest::TempFolder tree;
    KorvelTest::ImFile file;
    file.chunks.push_back(KorvelTest::QuadChunk());
    KorvelTest::PmBlock block;
    block.levels = {{}, {{0, {{0, 1, 1, {5}}}}}};
    file.tail = KorvelTest::WritePm(block);
    tree.MakeFile("rock.pm", KorvelTest::WriteIm(file));
    ToolRun run = MeshInfo(tree / "rock.pm");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "result 0\n"
                       "chunks 1\n"
                       "vertices 4\n"
                       "faces 2\n"
                       "materials 1\n"
                       "material 0 body.m.onetex\n");
    block.levels[1][0].edits[0].positions = {6};  // past the six indices
    file.tail = KorvelTest::WritePm(block);
    tree.MakeFile("bad.pm", KorvelTest::WriteIm(file));
    ToolRun bad = MeshInfo(tree / "bad.pm");
    EXPECT_EQ(bad.out, "result 3\n");
    EXPECT_EQ(bad.status, 1);
}
