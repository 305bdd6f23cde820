// The meshinfo tool: its exact report of well-formed and damaged ".im" files, and its exit codes.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "mesh/im_writer.h"
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
