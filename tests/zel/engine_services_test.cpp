// Time, random numbers, options, log, OS object, render kernel, resource system, plug-ins and ids.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "zel/log.h"
#include "zel/options.h"
#include "zel/os.h"
#include "zel/plugin.h"
#include "zel/rand.h"
#include "zel/render_kernel.h"
#include "zel/resource_system.h"
#include "zel/time.h"
#include "zel/uid.h"

TEST(TimeTest, ClockMovesForwardAndDelayClampsNegatives)
{
    uint64_t start = Zel::Time::Ms();
    double seconds = Zel::Time::GetSeconds();
    Zel::Time::Delay(-50);
    Zel::Time::Delay(0);
    Zel::Time::Delay(5);
    EXPECT_GE(Zel::Time::Ms(), start + 5);
    EXPECT_GT(Zel::Time::GetSeconds(), seconds);
}

TEST(RandTest, NextIntStaysInsideInclusiveRange)
{
    Zel::Rand::Seed(1234);
    std::set<int> seen;
    for (int i = 0; i < 2000; ++i) {
        int value = Zel::Rand::NextInt(0, 35);
        ASSERT_GE(value, 0);
        ASSERT_LE(value, 35);
        seen.insert(value);
    }
    EXPECT_EQ(seen.size(), 36u);  // both ends reachable
    EXPECT_EQ(Zel::Rand::NextInt(7, 7), 7);
    int swapped = Zel::Rand::NextInt(5, -5);
    EXPECT_TRUE(swapped >= -5 && swapped <= 5);
    Zel::Rand::Seed(99);
    int a = Zel::Rand::NextInt(0, 1000000);
    Zel::Rand::Seed(99);
    EXPECT_EQ(Zel::Rand::NextInt(0, 1000000), a);
    Zel::Rand::Randomise();
    double d = Zel::Rand::NextDouble();
    EXPECT_TRUE(d >= 0.0 && d < 1.0);
}

TEST(OptionsTest, KeysAreCaseInsensitiveAndLaterWordsWin)
{
    Zel::Options options("-render=OpenGL -hidewindow  -LogFile=/dev/null");
    EXPECT_TRUE(options.Has("HideWindow"));
    EXPECT_TRUE(options.Has("-RENDER"));
    EXPECT_STREQ(options.Get("render"), "OpenGL");
    EXPECT_STREQ(options.Get("logfile"), "/dev/null");
    EXPECT_STREQ(options.Get("missing", "default"), "default");
    EXPECT_FALSE(options.Has("NullRender"));
    options.ProcessRaw("-NullRender -Render=none");
    EXPECT_TRUE(options.Has("nullrender"));
    EXPECT_STREQ(options.Get("render"), "none");
    EXPECT_EQ(options.Count(), 4u);
    options.Remove("HIDEWINDOW");
    EXPECT_FALSE(options.Has("hidewindow"));
    EXPECT_EQ(options.ToString(), "-render=none -LogFile=/dev/null -NullRender");
}

TEST(OptionsTest, TypedValuesAndLists)
{
    Zel::Options options("-Automip=none -MaxTextureSize=512,256 -Compression=dxt1,,dxt5 -Anisotropy=4 -Scale=0.5");
    EXPECT_STREQ(options.Get("AutoMip"), "none");
    EXPECT_EQ(options.GetInt("anisotropy", 1), 4);
    EXPECT_EQ(options.GetInt("missing", -3), -3);
    EXPECT_FLOAT_EQ(options.GetFloat("scale", 1.0f), 0.5f);
    std::vector<std::string> items;
    size_t cursor = 0;
    std::string item;
    while (options.GetNext("compression", cursor, item))
        items.push_back(item);
    EXPECT_EQ(items, (std::vector<std::string>{"dxt1", "", "dxt5"}));
    cursor = 0;
    ASSERT_TRUE(options.GetNext("maxtexturesize", cursor, item));
    EXPECT_EQ(item, "512");
    ASSERT_TRUE(options.GetNext("maxtexturesize", cursor, item));
    EXPECT_EQ(item, "256");
    EXPECT_FALSE(options.GetNext("maxtexturesize", cursor, item));
    cursor = 0;
    EXPECT_FALSE(options.GetNext("missing", cursor, item));
}

TEST(LogTest, LinesGoWhereInitSends)
{
    Zel::LogClient* client = Zel::Log::GetClient("Korvel");
    EXPECT_EQ(client, Zel::Log::GetClient("Korvel"));
    EXPECT_EQ(client->Name(), "Korvel");
    FILE* capture = tmpfile();
    ASSERT_NE(capture, nullptr);
    Zel::Log::SetOutput(capture);
    client->OutputString(2, "%s", "Class::Method> 100% literal %d");
    client->OutputString(2, "count=%d\n", 3);
    Zel::Log::SetOutput(nullptr);
    client->OutputString(2, "%s", "dropped");
    rewind(capture);
    char text[256] = {};
    size_t length = fread(text, 1, sizeof(text) - 1, capture);
    fclose(capture);
    EXPECT_EQ(std::string(text, length), "Class::Method> 100% literal %d\ncount=3\n");
    EXPECT_EQ(client->GetLevel(), 2);

    EXPECT_TRUE(Zel::Log::Init(Zel::Options("-LogFile=/dev/null")));
    EXPECT_FALSE(Zel::Log::IsWritingToStdout());
    client->OutputString(2, "%s", "into the void");
    EXPECT_TRUE(Zel::Log::Init(Zel::Options("-LogStdOut")));
    EXPECT_TRUE(Zel::Log::IsWritingToStdout());
    Zel::Log::Shutdown();
    EXPECT_FALSE(Zel::Log::IsWritingToStdout());
}

TEST(EngineObjectsTest, HeadlessStartUpSucceedsForBothRenderOptions)
{
    for (const char* words : {"-render=OpenGL -hidewindow -LogFile=/dev/null", "-NullRender -LogStdOut"}) {
        Zel::OS os("KorvelUtil", words);
        EXPECT_TRUE(os.Init()) << words;
        EXPECT_EQ(os.GetName(), "KorvelUtil");
        Zel::ResourceSystem resources;
        EXPECT_TRUE(resources.Init(os.GetOptions()));
        EXPECT_EQ(resources.DumpUnusedResourcesFromCache(), 0);
        Zel::RenderKernel kernel(nullptr, 8.0f);
        EXPECT_TRUE(kernel.Init(&os, 0)) << words;
        EXPECT_FLOAT_EQ(kernel.GetDetail(), 8.0f);
    }
    Zel::RenderKernel kernel(nullptr, 8.0f);
    EXPECT_FALSE(kernel.Init(nullptr, 0));
}

#ifdef KORVEL_TEST_HOOKS
TEST(EngineObjectsTest, TestOptionForcesTheRetryPath)
{
    Zel::OS os("KorvelUtil", "-render=OpenGL -hidewindow -ForceRenderFailure -ForceOSFailure");
    EXPECT_FALSE(os.Init());
    Zel::RenderKernel kernel(nullptr, 8.0f);
    EXPECT_FALSE(kernel.Init(&os, 0));
    os.GetOptions().ProcessRaw("-NullRender");  // what start-up does before retrying
    EXPECT_TRUE(os.Init());
    EXPECT_TRUE(kernel.Init(&os, 0));
    EXPECT_TRUE(kernel.IsNullRender());

    Zel::OS always("KorvelUtil", "-NullRender -ForceRenderFailure=always");
    EXPECT_TRUE(always.Init());
    Zel::RenderKernel failing(nullptr, 8.0f);
    EXPECT_FALSE(failing.Init(&always, 0));
}
#endif

TEST(PluginTest, BmpImageTypeIsFound)
{
    Zel::UId family("4C414E80-BBDA-11d4-9AD7-0001025364B8");
    ASSERT_FALSE(family.IsNull());
    Zel::PluginType* type = nullptr;
    ASSERT_EQ(Zel::PluginBase::LookupPluginType(family, "bmp", &type), 0);
    ASSERT_NE(type, nullptr);
    EXPECT_EQ(type->GetName(), "bmp");
    EXPECT_EQ(type->GetReferenceCount(), 2);
    type->ReleaseReference();
    EXPECT_EQ(Zel::PluginBase::LookupPluginType(family, "BMP", &type), 0);
    type->ReleaseReference();
    EXPECT_NE(Zel::PluginBase::LookupPluginType(family, "gif", &type), 0);
    EXPECT_EQ(type, nullptr);
    EXPECT_NE(Zel::PluginBase::LookupPluginType(Zel::UId("00000000-0000-0000-0000-000000000001"), "bmp", &type), 0);
}

TEST(PluginTest, RegisterAndUnregister)
{
    Zel::UId family("11111111-2222-3333-4444-555555555555");
    int before = Zel::PluginBase::CountPluginTypes();
    ASSERT_TRUE(Zel::PluginBase::RegisterPluginType(new Zel::PluginType(family, "custom")));
    auto* duplicate = new Zel::PluginType(family, "CUSTOM");
    EXPECT_FALSE(Zel::PluginBase::RegisterPluginType(duplicate));
    duplicate->ReleaseReference();
    Zel::PluginType* found = nullptr;
    ASSERT_EQ(Zel::PluginBase::LookupPluginType(family, "custom", &found), 0);
    {
        struct Instance : Zel::PluginInstance {
        } instance;
        instance.Assign(found);
        EXPECT_EQ(found->GetReferenceCount(), 3);
    }
    EXPECT_EQ(found->GetReferenceCount(), 2);
    EXPECT_TRUE(Zel::PluginBase::UnregisterPluginType(family, "custom"));
    EXPECT_EQ(found->GetReferenceCount(), 1);
    found->ReleaseReference();
    EXPECT_EQ(Zel::PluginBase::CountPluginTypes(), before);
}

TEST(UIdTest, ParsesAndPrintsGuidText)
{
    Zel::UId id("4c414e80-bbda-11D4-9ad7-0001025364b8");
    EXPECT_EQ(id.ToString(), "4C414E80-BBDA-11D4-9AD7-0001025364B8");
    EXPECT_EQ(id, Zel::UId("{4C414E80-BBDA-11d4-9AD7-0001025364B8}"));
    for (const char* bad :
         {"", "4C414E80", "4C414E80-BBDA-11d4-9AD7-0001025364BX", "4C414E80BBDA-11d4-9AD7-0001025364B8-"}) {
        Zel::UId parsed;
        EXPECT_FALSE(Zel::UId::Parse(bad, parsed)) << bad;
        EXPECT_TRUE(parsed.IsNull());
    }
    EXPECT_TRUE(Zel::UId(nullptr).IsNull());
}

#ifdef KORVEL_TEST_HOOKS
TEST(EngineObjectsTest, EnvironmentSwitchReachesProcessesWithoutTheOptionWord)
{
    setenv("KORVEL_TEST_ForceRenderFailure", "1", 1);
    Zel::OS os("KorvelUtil", "-render=OpenGL -hidewindow");
    ASSERT_TRUE(os.Init());
    Zel::RenderKernel kernel(nullptr, 8.0f);
    EXPECT_FALSE(kernel.Init(&os, 0));
    os.GetOptions().ProcessRaw("-NullRender");
    EXPECT_TRUE(kernel.Init(&os, 0));
    unsetenv("KORVEL_TEST_ForceRenderFailure");
}
#endif
