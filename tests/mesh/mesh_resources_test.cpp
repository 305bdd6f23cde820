// Mesh resources: found by type through a resource database, loaded on lock with the kernel's display and materials, and making the instance of their kind.
#include <gtest/gtest.h>

#include <memory>

#include "mesh/indexed_mesh_instance.h"
#include "mesh/lm_writer.h"
#include "mesh/mesh_resources.h"
#include "mesh/pm_writer.h"
#include "mesh/skinned_mesh_fixture.h"
#include "support/temp_folder.h"
#include "zel/material_manager.h"
#include "zel/render_kernel.h"
#include "zel/resource_database.h"

namespace {

KorvelTest::ImFile Skinned()
{
    return KorvelTest::OneBoneQuad();
}

struct Resources {
    KorvelTest::TempFolder tree;
    Zel::RenderKernel kernel{nullptr, 1.0f};
    Zel::MaterialManager materials;
    Zel::ResourceDatabase database{""};

    Resources()
    {
        RegisterMeshResourceTypes();
        KorvelTest::ImFile quad;
        quad.chunks.push_back(KorvelTest::QuadChunk());
        tree.MakeFile("lok/a.im", KorvelTest::WriteIm(quad));
        tree.MakeFile("lok/e.im", KorvelTest::WriteIm(quad));
        tree.MakeFile("lok/skinned.im", KorvelTest::WriteIm(Skinned()));
        KorvelTest::ImFile zeroBones = Skinned();
        zeroBones.maxBones = 0;  // influences, but no bones per chunk: a static instance
        tree.MakeFile("lok/zero.im", KorvelTest::WriteIm(zeroBones));
        KorvelTest::ImFile rootless = Skinned();
        rootless.influences.resize(2);
        rootless.influences[0].parent = "arm";
        rootless.influences[1].name = "arm";
        rootless.influences[1].parent = "root";
        tree.MakeFile("lok/rootless.im", KorvelTest::WriteIm(rootless));
        KorvelTest::LmFile lod;
        lod.levels = {KorvelTest::QuadLevel(0), KorvelTest::QuadLevel(50)};
        tree.MakeFile("lok/b.lm", KorvelTest::WriteLm(lod));
        lod.boneTable = {{"root", ""}};
        lod.levels[0].weights = {{{0, {{0, 1.0f}}}}};
        tree.MakeFile("lok/skinned.lm", KorvelTest::WriteLm(lod));
        tree.MakeFile("lok/c.lm.txt", "version 1.00\nmesh 0 { name a.im }\nmesh 40 { name e.im }\n");
        tree.MakeFile("lok/gone.lm.txt", "version 1.00\nmesh 0 { name a.im }\nmesh 40 { name gone.im }\n");
        KorvelTest::ImFile progressive = quad;
        KorvelTest::PmBlock block;
        block.levels = {{}, {{0, {{0, 1, 1, {0}}}}}};
        progressive.tail = KorvelTest::WritePm(block);
        tree.MakeFile("lok/d.pm", KorvelTest::WriteIm(progressive));
        KorvelTest::ImFile skinnedProgressive = Skinned();
        skinnedProgressive.tail = progressive.tail;
        tree.MakeFile("lok/skinned.pm", KorvelTest::WriteIm(skinnedProgressive));
        rootless.tail = progressive.tail;
        tree.MakeFile("lok/rootless.pm", KorvelTest::WriteIm(rootless));
        zeroBones.tail = progressive.tail;
        tree.MakeFile("lok/zero.pm", KorvelTest::WriteIm(zeroBones));
    }

    KorvelGeometryBaseResource* Get(const std::string& name, bool withKernel = true)
    {
        auto* resource = dynamic_cast<KorvelGeometryBaseResource*>(database.Get((tree / name).c_str()));
        if (resource && withKernel)
            resource->SetRenderKernel(&kernel, &materials);
        return resource;
    }
};

struct Released {
    void operator()(Zel::Resource* resource) const { resource->ReleaseReference(); }
};
using ResourceRef = std::unique_ptr<KorvelGeometryBaseResource, Released>;

}  // namespace

TEST(MeshResourcesTest, EachKindLoadsOnLockAndMakesItsInstance)
{
    Resources resources;
    struct Case {
        const char* name;
        int id;
    };
    const Case cases[] = {{"lok/a.im", 17}, {"lok/skinned.im", 18}, {"lok/zero.im", 17},
                          {"lok/d.pm", 19}, {"lok/skinned.pm", 20}, {"lok/zero.pm", 19},
                          {"lok/b.lm", 21}, {"lok/c.lm", 21},       {"lok/skinned.lm", 22}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResourceRef resource(resources.Get(c.name));
        ASSERT_NE(resource, nullptr);
        ASSERT_EQ(resource->Lock(), 0);
        EXPECT_EQ(resource->GetLastResult(), MeshOk);
        ASSERT_NE(resource->GetDefinition(), nullptr);
        EXPECT_GT(resource->CalculateDataSize(), 0u);
        std::unique_ptr<KorvelIndexedMeshInstance> instance(resource->CreateMeshInstance());
        ASSERT_NE(instance, nullptr);
        EXPECT_EQ(instance->GetID(), c.id);
        EXPECT_EQ(instance->GetResource(), resource.get());
        instance.reset();
        EXPECT_TRUE(resource->Unlock());
        EXPECT_FALSE(resource->IsLocked());
    }
}

TEST(MeshResourcesTest, LoadsThatFailMakeNoInstance)
{
    Resources resources;
    {
        ResourceRef resource(resources.Get("lok/a.im", false));
        EXPECT_NE(resource->Lock(), 0);
        EXPECT_EQ(resource->CreateMeshInstance(), nullptr);
    }
    {
        ResourceRef resource(resources.Get("lok/b.lm", false));
        resource->SetRenderKernel(&resources.kernel, nullptr);
        EXPECT_NE(resource->Lock(), 0);
        EXPECT_EQ(resource->GetLastResult(), MeshNoMaterialManager);
        EXPECT_EQ(resource->GetDefinition(), nullptr);
    }
    for (const char* name : {"lok/rootless.im", "lok/rootless.pm"}) {
        SCOPED_TRACE(name);
        // A skinned mesh whose bones never reach a root has no skeleton.
        ResourceRef resource(resources.Get(name));
        ASSERT_EQ(resource->Lock(), 0);
        EXPECT_EQ(resource->GetDefinition()->GetSkeleton(), nullptr);
        EXPECT_EQ(resource->CreateMeshInstance(), nullptr);
        resource->Unlock();
    }
    {
        // A failed text load keeps what it built, and still makes no instance.
        ResourceRef resource(resources.Get("lok/gone.lm"));
        EXPECT_NE(resource->Lock(), 0);
        EXPECT_EQ(resource->GetLastResult(), MeshNoData);
        ASSERT_NE(resource->GetDefinition(), nullptr);
        EXPECT_EQ(resource->CreateMeshInstance(), nullptr);
    }
}

TEST(MeshResourcesTest, BinaryLoadsStartTheMissingNamesAfreshTextLoadsAddToThem)
{
    Resources resources;
    KorvelTest::ImFile odd;
    odd.chunks.push_back(KorvelTest::QuadChunk("odd.m.nosuchtype"));
    resources.tree.MakeFile("lok/odd.im", KorvelTest::WriteIm(odd));
    resources.tree.MakeFile("lok/odd.lm.txt", "version 1.00\nmesh 0 { name odd.im }\n");
    for (const char* name : {"lok/odd.im", "lok/odd.lm"}) {
        SCOPED_TRACE(name);
        ResourceRef resource(resources.Get(name));
        resource->SetAllowFallbackMaterials(true);
        ASSERT_EQ(resource->Lock(), 0);
        resource->Unlock();
        ASSERT_EQ(resource->Lock(), 0);
        bool text = std::string(name) == "lok/odd.lm";
        EXPECT_EQ(resource->GetMissingMaterialNames().size(), text ? 2u : 1u);
        std::unique_ptr<KorvelIndexedMeshInstance> instance(resource->CreateMeshInstance());
        EXPECT_NE(instance, nullptr);
        instance.reset();
        resource->Unlock();
    }
}
