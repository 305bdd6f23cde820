// Validation of assets with meshes end to end: good, missing, damaged and animated meshes reported through the daemon and a command host.
#include "e2e/harness/e2e_harness.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "mesh/lm_writer.h"
#include "zel/kin_animation.h"

namespace {

std::string Quad(const std::vector<std::string>& textures = {}, bool boned = false)
{
    KorvelTest::ImFile file;
    file.chunks.push_back(KorvelTest::QuadChunk());
    for (const std::string& texture : textures)
        file.chunks[0].material.textures.push_back({0, texture, 1.0f});
    if (boned)
        file.skeleton = KorvelTest::SkeletonBytes(KorvelTest::BoneBytes("root", {}));
    return KorvelTest::WriteIm(file);
}

std::string OneLevelLod()
{
    KorvelTest::LmFile file;
    file.levels.push_back(KorvelTest::QuadLevel(0));
    return KorvelTest::WriteLm(file);
}

std::string Animation(const std::vector<std::string>& bones)
{
    Zel::KinAnimation animation;
    animation.bones = bones;
    animation.frameCount = 2;
    const std::vector<uint8_t> bytes = Zel::WriteKinAnimation(animation);
    return std::string(bytes.begin(), bytes.end());
}

std::string MeshTable(const std::string& element)
{
    return "kind \"scenery\"\nkorvel-build 3.3\nmesh-table {\n  default {\n" + element +
           "    auto-create 1\n  }\n}\n";
}

struct MeshAsset {
    const char* folder;
    const char* id;
    std::string config;  // after kuid and username
    std::vector<std::pair<std::string, std::string>> files;
    std::vector<std::string> lines;  // validate's lines before its closing line
    const char* closing;
};

std::vector<MeshAsset> Assets()
{
    const std::string torn = Quad().substr(0, 60);
    return {
        {"Good", "<kuid:424242:3201>", MeshTable("    mesh \"Body.im\"\n"),
         {{"body.im", Quad({"wood.tga"})}, {"wood.tga", "image"}}, {}, "OK (0 Errors, 0 Warnings)"},
        {"Missing", "<kuid:424242:3202>", MeshTable("    mesh \"gone.im\"\n"), {},
         {"- <kuid:424242:3202> : Unable to load the mesh 'gone.im'."},
         "OK (1 Errors, 0 Warnings)"},
        {"Damaged", "<kuid:424242:3203>", MeshTable("    mesh \"torn.im\"\n"), {{"torn.im", torn}},
         {"- <kuid:424242:3203> : Unable to set up the mesh 'torn.im'."},
         "OK (1 Errors, 0 Warnings)"},
        {"Untextured", "<kuid:424242:3204>", MeshTable("    mesh \"body.im\"\n"), {{"body.im", Quad({"bark.tga"})}},
         {"- <kuid:424242:3204> : Unable to set up the material of texture 'bark.tga' in mesh 'body.im'.",
          "- <kuid:424242:3204> : Unable to load the image 'bark.tga' of texture 'bark.tga' used by mesh 'body.im'."},
         "OK (2 Errors, 0 Warnings)"},
        {"Waving", "<kuid:424242:3205>", MeshTable("    mesh \"body.im\"\n    anim \"wave.kin\"\n"),
         {{"body.im", Quad({}, true)}, {"wave.kin", Animation({"root", "hand"})}},
         {"- <kuid:424242:3205> : The animation 'wave.kin' does not fit the mesh's skeleton."},
         "OK (1 Errors, 0 Warnings)"},
        {"Tower", "<kuid:424242:3206>", MeshTable("    mesh \"tower.lm\"\n"), {{"tower.lm", OneLevelLod()}},
         {"! <kuid:424242:3206> : The LOD mesh 'tower.lm' has no attachments.",
          "! <kuid:424242:3206> : The LOD mesh 'tower.lm' has only one level of detail.",
          "! <kuid:424242:3206> : The lowest level of detail of 'tower.lm' has too many polygons."},
         "OK (0 Errors, 3 Warnings)"},
    };
}

class MeshValidation : public ::testing::Test {
protected:
    void Install(const MeshAsset& asset)
    {
        const std::string folder = std::string("Incoming/") + asset.folder + "/";
        installation.WriteFile(folder + "config.txt",
                               std::string("kuid ") + asset.id + "\nusername \"" + asset.folder + "\"\n" + asset.config);
        for (const auto& [name, bytes] : asset.files)
            installation.WriteFile(folder + name, bytes);
        E2E::RunResult run = installation.Run({"installfrompath", installation.PathOf(folder)});
        ASSERT_EQ(run.exitStatus, 0) << run.out;
    }

    static std::string Expected(const MeshAsset& asset)
    {
        std::string out;
        for (const std::string& line : asset.lines)
            out += line + "\n";
        return out + asset.closing + "\n";
    }

    E2E::Installation installation;
};

TEST_F(MeshValidation, EachMeshIsReportedByWhatFailsInItInEitherOrderInOneHost)
{
    const std::vector<MeshAsset> assets = Assets();
    for (const MeshAsset& asset : assets)
        Install(asset);
    // One host validates them all: what one asset's meshes leave behind
    // must not change the next one's findings.
    for (const MeshAsset& asset : assets)
        EXPECT_EQ(installation.Run({"validate", asset.id}).out, Expected(asset)) << asset.folder;
    for (auto asset = assets.rbegin(); asset != assets.rend(); ++asset)
        EXPECT_EQ(installation.Run({"validate", asset->id}).out, Expected(*asset)) << asset->folder;
}

}  // namespace
