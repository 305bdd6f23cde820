// The attachment table hung on an instance: attachment points on skeleton nodes or on the structure, placed in the mesh's frame, and reference points.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "mesh/influence_mesh.h"
#include "mesh/mesh_load_fixture.h"
#include "zel/particle_structure.h"

using KorvelTest::ImFile;
using KorvelTest::MeshLoad;

namespace {

constexpr float kPi = 3.14159265358979f;

KorvelTest::ImAttachment Attachment(const std::string& name, const Zel::Vector3& position,
                                    const Zel::Quaternion& orientation = Zel::Quaternion())
{
    KorvelTest::ImAttachment attachment;
    attachment.name = name;
    orientation.ToMatrix(attachment.matrix);
    for (size_t k = 0; k < 3; ++k)
        attachment.position[k] = position[k];
    return attachment;
}

// A quad with the given attachment table; with bones, a skeleton of root
// and arm (one unit along x, a quarter turn about z) from influences.
ImFile MeshFile(const std::vector<KorvelTest::ImAttachment>& attachments, bool withBones)
{
    ImFile file;
    file.chunks.push_back(KorvelTest::QuadChunk());
    file.writeAttachments = true;
    file.attachments = attachments;
    if (withBones) {
        file.writeInfluences = true;
        KorvelTest::ImInfluence root, arm;
        root.name = "root";
        arm.name = "arm";
        arm.parent = "root";
        arm.position[0] = 1;
        Zel::Quaternion::FromAxisAngle({0, 0, 1}, kPi / 2).ToMatrix(arm.matrix);
        file.influences = {root, arm};
    }
    return file;
}

const Zel::Quaternion kTilt = Zel::Quaternion::FromAxisAngle({1, 2, 0}, 0.6f);

const std::vector<KorvelTest::ImAttachment> kTable = {
    Attachment("arm/a.lamp", {1, 2, 0}, kTilt),  // on the arm bone
    Attachment("A.top", {0, 0, 3}),              // no node named: the structure
    Attachment("axle/a.x", {4, 0, 0}),           // no such node: the structure
    Attachment("body/a.door", {5, 0, 0}),        // the whole name must begin with 'a'
    Attachment("p.eye", {0, 1, 0}),              // a reference point
    Attachment("P.seat", {0, -1, 0}, kTilt),     // a reference point
    Attachment("bogey", {9, 9, 9}),              // neither
    Attachment("", {9, 9, 9}),                   // neither
};

struct Hung {
    const char* name;
    const char* node;
    Zel::Vector3 position;
    Zel::Quaternion orientation;
};

void ExpectHung(const Zel::ParticleStructure& structure, const std::vector<Hung>& wanted)
{
    std::vector<Zel::AttachmentPoint*> points = structure.GetAttachmentPoints();
    ASSERT_EQ(points.size(), wanted.size());
    for (const Hung& hung : wanted) {
        const Zel::AttachmentPoint* point = structure.FindAttachmentPoint(hung.name);
        ASSERT_NE(point, nullptr) << hung.name;
        ASSERT_NE(point->parent, nullptr) << hung.name;
        EXPECT_EQ(point->parent->name, hung.node) << hung.name;
        // Wherever it hangs, the point sits where the table puts it in the
        // mesh's frame.
        const Zel::Transformation inMesh = point->GetTransformationIn(&structure);
        for (size_t k = 0; k < 3; ++k)
            EXPECT_NEAR(inMesh.position[k], hung.position[k], 1e-4f) << hung.name << " [" << k << "]";
        EXPECT_TRUE(inMesh.orientation.SameRotation(hung.orientation, 1e-4f)) << hung.name;
    }
}

}  // namespace

TEST(MeshAttachmentPointsTest, WithASkeletonPointsHangOnTheNodeTheirNameGives)
{
    MeshLoad load;
    ASSERT_EQ(load.Load(MeshFile(kTable, true)), MeshOk);
    ASSERT_NE(load.definition->GetSkeleton(), nullptr);
    // An instance placed away from the origin, its skeleton a copy of the
    // definition's, as the instances set themselves up.
    Zel::ParticleStructure structure("shed");
    structure.SetLocalTransformation({{50, 0, -7}, Zel::Quaternion::FromAxisAngle({0, 1, 0}, 1.0f)});
    structure.Add(CopyBoneTree(*load.definition->GetSkeleton()));
    load.definition->AddAttachmentPoints(structure);
    ExpectHung(structure,
               {{"a.lamp", "arm", {1, 2, 0}, kTilt}, {"A.top", "shed", {0, 0, 3}, {}}, {"a.x", "shed", {4, 0, 0}, {}}});
    // On the arm, the placement is the arm's own: one unit back along x,
    // turned back a quarter about z.
    const Zel::AttachmentPoint* lamp = structure.FindAttachmentPoint("a.lamp");
    EXPECT_NEAR(lamp->position[0], 2, 1e-4f);
    EXPECT_NEAR(lamp->position[1], 0, 1e-4f);
    EXPECT_EQ(lamp->GetParentName(), "arm");
    EXPECT_TRUE(structure.GetReferencePoints().empty());
}

TEST(MeshAttachmentPointsTest, WithoutASkeletonEveryPointHangsOnTheStructure)
{
    MeshLoad load;
    ASSERT_EQ(load.Load(MeshFile(kTable, false)), MeshOk);
    Zel::ParticleStructure structure("shed");
    // A skeleton-like node of the same name does not count without a
    // skeleton in the definition.
    structure.Add(std::make_unique<Zel::ParticleBone>("arm"));
    load.definition->AddAttachmentPoints(structure);
    ExpectHung(
        structure,
        {{"a.lamp", "shed", {1, 2, 0}, kTilt}, {"A.top", "shed", {0, 0, 3}, {}}, {"a.x", "shed", {4, 0, 0}, {}}});
}

TEST(MeshAttachmentPointsTest, ReferencePointsTakeThePNamesWithTheirPlacement)
{
    MeshLoad load;
    ASSERT_EQ(load.Load(MeshFile(kTable, true)), MeshOk);
    Zel::ParticleStructure structure("shed");
    load.definition->AddReferencePoints(structure);
    std::vector<Zel::ReferencePoint*> points = structure.GetReferencePoints();
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0]->name, "p.eye");
    EXPECT_FLOAT_EQ(points[0]->position[1], 1.0f);
    EXPECT_EQ(points[1]->name, "P.seat");
    EXPECT_TRUE(points[1]->GetOrientation().SameRotation(kTilt, 1e-5f));
    EXPECT_TRUE(structure.GetAttachmentPoints().empty());
}

TEST(MeshAttachmentPointsTest, BonesFromInfluencesRestInTheirLoadedPlacement)
{
    MeshLoad load;
    ASSERT_EQ(load.Load(MeshFile({}, true)), MeshOk);
    const Zel::ParticleBone* arm = load.definition->GetSkeleton()->FindByName("arm");
    ASSERT_NE(arm, nullptr);
    EXPECT_EQ(arm->GetFramePosition(), (Zel::Vector3{1, 0, 0}));
    EXPECT_TRUE(arm->GetFrameOrientation().SameRotation(Zel::Quaternion::FromAxisAngle({0, 0, 1}, kPi / 2), 1e-5f));
}
