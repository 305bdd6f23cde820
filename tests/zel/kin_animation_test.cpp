// The ".kin" animation file and the animator: round trips, damaged files by result, and animations fitted to skeletons.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/temp_folder.h"
#include "zel/animator.h"
#include "zel/kin_animation.h"
#include "zel/particle_bone.h"
#include "zel/resource_database.h"

namespace {

Zel::KinAnimation Walk()
{
    Zel::KinAnimation walk;
    walk.bones = {"hip", "knee_left", "a"};
    walk.frameCount = 2;
    walk.framesPerSecond = 25.0f;
    walk.keys.resize(6);
    for (size_t i = 0; i < walk.keys.size(); ++i) {
        walk.keys[i].position[1] = static_cast<float>(i);
        walk.keys[i].rotation[0] = 0.5f * static_cast<float>(i);
    }
    return walk;
}

std::string Text(const std::vector<uint8_t>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

int Read(const std::string& bytes, Zel::KinAnimation& out)
{
    return Zel::ReadKinAnimation(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), out);
}

// The byte offset of a chunk's version field.
size_t VersionOf(const std::string& bytes, const char* tag)
{
    return bytes.find(tag) + 8;
}

TEST(KinAnimationTest, WrittenAnimationsReadBackFieldForField)
{
    const Zel::KinAnimation walk = Walk();
    Zel::KinAnimation read;
    ASSERT_EQ(Read(Text(Zel::WriteKinAnimation(walk)), read), Zel::KinOk);
    EXPECT_EQ(read.bones, walk.bones);
    EXPECT_EQ(read.frameCount, 2u);
    EXPECT_EQ(read.framesPerSecond, 25.0f);
    ASSERT_EQ(read.keys.size(), 6u);
    EXPECT_EQ(read.Key(1, 2).position[1], 5.0f);
    EXPECT_EQ(read.Key(1, 2).rotation[0], 2.5f);
    EXPECT_EQ(read.Key(0, 0).rotation[3], 1.0f);

    // Names pad to four bytes from their own start: "a" takes 4, "hip" 4, "knee_left" 12.
    const std::string bytes = Text(Zel::WriteKinAnimation(walk));
    EXPECT_EQ(bytes.substr(0, 4), "JIRF");
    EXPECT_EQ(bytes.substr(8, 4), "KANM");
    EXPECT_EQ(bytes.size(), 12u + (12 + 12) + (12 + 4 + 12 + 4) + (12 + 6 * 28));
}

TEST(KinAnimationTest, EveryTruncationIsReportedAndLeavesNothing)
{
    const std::string whole = Text(Zel::WriteKinAnimation(Walk()));
    for (size_t length = 0; length < whole.size(); ++length) {
        Zel::KinAnimation read;
        const int result = Read(whole.substr(0, length), read);
        // Without the whole header it is no animation file; after it, a short one.
        EXPECT_EQ(result, length < 12 ? Zel::KinNotAnimation : Zel::KinTruncated) << length;
        EXPECT_TRUE(read.bones.empty() && read.keys.empty()) << length;
    }
}

TEST(KinAnimationTest, DamagedFilesEndInTheirResult)
{
    const std::string whole = Text(Zel::WriteKinAnimation(Walk()));
    struct Case {
        const char* what;
        size_t offset;
        std::string bytes;
        int result;
    };
    const Case cases[] = {
        {"another file type", 8, "LODM", Zel::KinNotAnimation},
        {"not a JIRF file", 0, "RIFF", Zel::KinNotAnimation},
        {"newer info chunk", VersionOf(whole, "KINF"), std::string("\x65\0\0\0", 4), Zel::KinUnknownVersion},
        {"newer bone chunk", VersionOf(whole, "KBON"), std::string("\xc8\0\0\0", 4), Zel::KinUnknownVersion},
        {"older key chunk", VersionOf(whole, "KKEY"), std::string("\x63\0\0\0", 4), Zel::KinUnknownVersion},
        {"chunks out of order", whole.find("KBON"), "KKEY", Zel::KinTruncated},
        // A count of frames far beyond the key bytes there are.
        {"hostile frame count", whole.find("KINF") + 16, std::string("\xff\xff\xff\x7f", 4), Zel::KinTruncated},
        {"hostile bone count", whole.find("KINF") + 12, std::string("\xff\xff\xff\xff", 4), Zel::KinTruncated},
        {"content size past the end", 4, std::string("\xff\xff\0\0", 4), Zel::KinTruncated},
        {"name without its end", whole.find("knee_left"), "knee_left\x01\x01\x01", Zel::KinTruncated},
    };
    for (const Case& c : cases) {
        std::string bytes = whole;
        bytes.replace(c.offset, c.bytes.size(), c.bytes);
        Zel::KinAnimation read;
        EXPECT_EQ(Read(bytes, read), c.result) << c.what;
    }
}

class AnimatorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_.MakeFile("walk.kin", Text(Zel::WriteKinAnimation(Walk())));
        Zel::KinAnimation tail = Walk();
        tail.bones.push_back("tail");
        tail.keys.resize(8);
        folder_.MakeFile("tail.kin", Text(Zel::WriteKinAnimation(tail)));
        folder_.MakeFile("torn.kin", Text(Zel::WriteKinAnimation(Walk())).substr(0, 40));
        folder_.MakeFile("still.kin", Text(Zel::WriteKinAnimation(Zel::KinAnimation())));
        // The skeleton names its bones in another case than the animation.
        skeleton_.name = "HIP";
        skeleton_.Add(std::make_unique<Zel::ParticleBone>())->name = "Knee_Left";
        skeleton_.Add(std::make_unique<Zel::ParticleBone>())->name = "a";
    }
    std::string Name(const char* file) const { return folder_ / file; }

    KorvelTest::TempFolder folder_;
    Zel::ParticleBone skeleton_;
    Zel::ResourceDatabase database_{""};
};

TEST_F(AnimatorTest, AddAnswersByWhetherTheAnimationLoadsAndFitsTheSkeleton)
{
    Zel::SkeletonModifier withBones(&skeleton_, nullptr, 0.5f);
    Zel::SkeletonModifier boneless(nullptr, nullptr, 0.5f);
    struct Case {
        const char* file;
        Zel::SkeletonModifier* skeleton;
        int result;
    };
    const Case cases[] = {
        {"walk.kin", &withBones, Zel::Animator::AddOk},
        {"tail.kin", &withBones, Zel::Animator::AddSkeletonMismatch},
        {"walk.kin", &boneless, Zel::Animator::AddSkeletonMismatch},
        {"still.kin", &boneless, Zel::Animator::AddOk},
        {"missing.kin", &withBones, Zel::Animator::AddResourceFailed},
        {"torn.kin", &withBones, Zel::Animator::AddResourceFailed},
    };
    for (const Case& c : cases) {
        Zel::Animator animator(nullptr, &database_, c.skeleton);
        EXPECT_EQ(animator.Add(Name(c.file).c_str(), 5, 1, 0, 1, 0, 0, 1), c.result) << c.file;
        EXPECT_EQ(animator.GetTracks().size(), c.result == Zel::Animator::AddOk ? 1u : 0u) << c.file;
    }
}

TEST_F(AnimatorTest, ModifiersHoldTheKeyframesOfLoadableAnimationsOnly)
{
    std::unique_ptr<Zel::AnimationModifier> walk(
        Zel::AnimationModifier::CreateInstance(&database_, Name("walk.kin").c_str(), 5));
    ASSERT_NE(walk, nullptr);
    EXPECT_EQ(walk->GetAnimation().keys.size(), 6u);
    EXPECT_EQ(walk->GetFlags(), 5);
    EXPECT_EQ(Zel::AnimationModifier::CreateInstance(&database_, Name("torn.kin").c_str(), 5), nullptr);
    EXPECT_EQ(Zel::AnimationModifier::CreateInstance(&database_, Name("missing.kin").c_str(), 5), nullptr);
    EXPECT_EQ(Zel::AnimationModifier::CreateInstance(nullptr, Name("walk.kin").c_str(), 5), nullptr);
}

TEST_F(AnimatorTest, AnimationsOfManyBonesFitByNameFoldedOnlyInAscii)
{
    // A wide skeleton and an animation moving every bone, named in another
    // case and listed in reverse.
    constexpr int kBones = 60000;
    Zel::ParticleBone top("ROOT");
    Zel::KinAnimation all;
    all.bones.push_back("root");
    for (int i = 0; i < kBones; ++i) {
        top.Add(std::make_unique<Zel::ParticleBone>("Bone" + std::to_string(i)));
        all.bones.push_back("bONE" + std::to_string(kBones - 1 - i));
    }
    // Bytes from 0x80 up are no letters: a different byte is a different bone.
    top.Add(std::make_unique<Zel::ParticleBone>("\xC4x"));
    all.bones.push_back("\xC4X");
    Zel::KinAnimation foreign = all;
    foreign.bones.back() = "\xE4x";
    Zel::KinAnimation missing = all;
    missing.bones.push_back("bone" + std::to_string(kBones));
    folder_.MakeFile("all.kin", Text(Zel::WriteKinAnimation(all)));
    folder_.MakeFile("foreign.kin", Text(Zel::WriteKinAnimation(foreign)));
    folder_.MakeFile("missing.kin", Text(Zel::WriteKinAnimation(missing)));

    Zel::SkeletonModifier skeleton(&top, nullptr, 1.0f);
    Zel::Animator animator(nullptr, &database_, &skeleton);
    EXPECT_EQ(animator.Add(Name("all.kin").c_str(), 5, 1, 0, 1, 0, 0, 1), Zel::Animator::AddOk);
    EXPECT_EQ(animator.Add(Name("foreign.kin").c_str(), 5, 1, 0, 1, 0, 0, 1), Zel::Animator::AddSkeletonMismatch);
    EXPECT_EQ(animator.Add(Name("missing.kin").c_str(), 5, 1, 0, 1, 0, 0, 1), Zel::Animator::AddSkeletonMismatch);
    EXPECT_EQ(animator.GetTracks().size(), 1u);
    EXPECT_TRUE(skeleton.HasBone("BONE59999"));
    EXPECT_FALSE(skeleton.HasBone("Bone60000"));
    EXPECT_FALSE(skeleton.HasBone("Bone1 "));
}

}  // namespace

TEST(SkeletonModifierTest, ALongChainOfBonesIsListedInOrderWithoutDeepNesting)
{
    constexpr int kDepth = 250000;
    Zel::ParticleBone top("bone0");
    Zel::ParticleBone* last = &top;
    for (int i = 1; i < kDepth; ++i)
        last = last->Add(std::make_unique<Zel::ParticleBone>("bone" + std::to_string(i)));
    // A side branch and a non-bone child: bones come depth-first, others not at all.
    top.Add(std::make_unique<Zel::Particle>("point"));
    top.Add(std::make_unique<Zel::ParticleBone>("side"));
    const Zel::SkeletonModifier modifier(&top, nullptr, 1.0f);
    const std::vector<std::string>& names = modifier.GetBoneNames();
    ASSERT_EQ(names.size(), static_cast<size_t>(kDepth) + 1);
    EXPECT_EQ(names[1], "bone1");
    EXPECT_EQ(names[kDepth - 1], "bone" + std::to_string(kDepth - 1));
    EXPECT_EQ(names.back(), "side");
}
