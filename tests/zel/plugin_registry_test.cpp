// The plug-in registry as the program's export fills it, and the render kernel calling that export once.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "zel/display.h"
#include "zel/os.h"
#include "zel/plugin.h"
#include "zel/render_kernel.h"

namespace {

std::atomic<int> g_exportCalls{0};

}  // namespace

// Stands in for the program's export: the kernel finds it at link time.
extern "C" void ZelGetPlugins()
{
    ++g_exportCalls;
}

namespace {

TEST(PluginRegistryTest, KernelStartCallsTheExportOnceAndHasADisplay)
{
    for (const char* words :
         {"-render=OpenGL -hidewindow -LogFile=/dev/null", "-NullRender -LogStdOut", "-NullRender"}) {
        Zel::OS os("KorvelUtil", words);
        ASSERT_TRUE(os.Init()) << words;
        Zel::RenderKernel kernel(nullptr, 8.0f);
        ASSERT_TRUE(kernel.Init(&os, 0)) << words;
        ASSERT_NE(kernel.GetDisplay(), nullptr);
        // Both renderers answer alike: the bump materials are drawable.
        EXPECT_TRUE(kernel.GetDisplay()->GetCapability(17) && kernel.GetDisplay()->GetCapability(21)) << words;
        EXPECT_TRUE(kernel.Init(&os, 0)) << words;  // a second Init of one kernel
    }
    // The export creates new objects on every call: the kernel is the guard.
    EXPECT_EQ(g_exportCalls.load(), 1);
}

TEST(PluginRegistryTest, TypesOfAFamilyComeBackInRegistrationOrderWithTheirClassIds)
{
    const Zel::UId family("3B0E8E1A-0F43-4C55-9C0D-6B1B0D2C7A01");
    const Zel::UId other("3B0E8E1A-0F43-4C55-9C0D-6B1B0D2C7A02");
    const Zel::UId shared("8FCC40D7-8BDD-4d14-B528-65692F5DF710");
    const char* names[] = {"zeta.lm.txt", "alpha.lm", "mid"};
    for (const char* name : names)
        ASSERT_TRUE(Zel::PluginBase::RegisterPluginType(new Zel::PluginType(family, name, shared)));
    ASSERT_TRUE(Zel::PluginBase::RegisterPluginType(new Zel::PluginType(other, "alpha.lm")));

    std::vector<Zel::PluginType*> types = Zel::PluginBase::GetPluginTypes(family);
    std::vector<std::string> seen;
    for (Zel::PluginType* type : types) {
        seen.push_back(type->GetName());
        EXPECT_EQ(type->GetClassId(), shared);
        EXPECT_EQ(type->GetReferenceCount(), 2);  // the registry's and ours
        type->ReleaseReference();
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"zeta.lm.txt", "alpha.lm", "mid"}));
    Zel::PluginType* found = nullptr;
    ASSERT_EQ(Zel::PluginBase::LookupPluginType(other, "alpha.lm", &found), Zel::PluginBase::Found);
    EXPECT_TRUE(found->GetClassId().IsNull());
    found->ReleaseReference();
    EXPECT_TRUE(Zel::PluginBase::GetPluginTypes(Zel::UId("3B0E8E1A-0F43-4C55-9C0D-6B1B0D2C7A03")).empty());

    for (const char* name : names)
        EXPECT_TRUE(Zel::PluginBase::UnregisterPluginType(family, name));
    EXPECT_TRUE(Zel::PluginBase::UnregisterPluginType(other, "alpha.lm"));
    EXPECT_TRUE(Zel::PluginBase::GetPluginTypes(family).empty());
}

TEST(PluginRegistryTest, MaterialAndResourceFamiliesAreDistinct)
{
    const Zel::UId materials(Zel::kMaterialPluginFamily);
    const Zel::UId resources(Zel::kResourceTypeFamily);
    EXPECT_FALSE(materials.IsNull());
    EXPECT_FALSE(materials == resources);
    // Resource types live beside the image readers.
    Zel::PluginType* bmp = nullptr;
    ASSERT_EQ(Zel::PluginBase::LookupPluginType(resources, "bmp", &bmp), Zel::PluginBase::Found);
    bmp->ReleaseReference();
}

}  // namespace
