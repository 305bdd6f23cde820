// Library specs made without a daemon, and a script class for them, shared by the script-backed object and library tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "script/vm/script_instance.h"
#include "script_host_test_root.h"
#include "scripthost/gso_library.h"
#include "scripthost/korvel_script_context.h"
#include "scripthost/native_library_setup.h"
#include "soup/soup_handle.h"
#include "support/temp_folder.h"

namespace LibraryTest {

// A library class of the object's own source: it counts the properties it
// was given and the icon clicks it heard, and gives back what it keeps.
constexpr const char* CountingLibrary = R"(include "Library.gs"
include "Soup.gs"
include "Constructors.gs"

class CustomObject isclass Library
{
  int applied = 0;
  int clicks = 0;
  Soup kept = Constructors.NewSoup();

  public void Init(Asset asset)
  {
    inherited(asset);
    AddHandler(me, "Interface", "ClickSystemButton", "OnClick");
  }
  void OnClick(Message msg) { clicks++; }
  public void SetProperties(Soup soup) { applied++; kept.Copy(soup); }
  public Soup GetProperties(void)
  {
    Soup soup = Constructors.NewSoup();
    soup.Copy(kept);
    soup.SetNamedTag("applied", applied);
    soup.SetNamedTag("clicks", clicks);
    return soup;
  }
};
)";

// A library whose script gives no properties.
constexpr const char* SilentLibrary = R"(include "Library.gs"
class CustomObject isclass Library
{
  public Soup GetProperties(void) { return null; }
};
)";

// Specs of library assets in a folder of their own; the fixture deletes them
// after the objects that hold them.
class LibraryFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ScriptHostTestRoot();
        ASSERT_TRUE(SetUpNativeLibraries()) << NativeLibrarySetUpFault();
        ASSERT_TRUE(InstallTestPlugins());
        liveBefore = GSRuntime::LiveScriptInstances();
    }
    void TearDown() override
    {
        specs.clear();
        EXPECT_EQ(GSRuntime::LiveScriptInstances(), liveBefore);
    }

    // A spec with the config's kind, the given plug-in name (none when
    // empty) and the shared mark.
    GSOLibrarySpec* MakeSpec(const std::string& plugin = "", int32_t content = 100, bool shared = false)
    {
        SoupHandle config;
        config.SetNamedTag(Zel::PString("kind"), "library");
        if (!plugin.empty())
            config.SetNamedTag(Zel::PString(GSOLibrarySpec::PluginTag), plugin.c_str());
        if (shared)
            config.SetNamedTagInt(Zel::PString(GSOLibrarySpec::SharedTag), 1);
        folder.MakeFolder("asset");
        specs.push_back(std::make_unique<GSOLibrarySpec>(
            KUID(4242, content, 0), Zel::PString(), Zel::String(folder.Root().c_str()), Zel::String("asset"), config));
        return specs.back().get();
    }

    KorvelTest::TempFolder folder{"libraryasset"};
    std::vector<std::unique_ptr<GSOLibrarySpec>> specs;
    int64_t liveBefore = 0;
};

}  // namespace LibraryTest
