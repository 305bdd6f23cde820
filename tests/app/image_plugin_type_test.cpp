// Start-up's "bmp" image type: the lookup decides whether installs from the content service may run.
#include <gtest/gtest.h>

#include "app/image_plugin_type.h"
#include "assetdb/install_from_chb.h"
#include "zel/plugin.h"

namespace {

TEST(ImagePluginType, TheBmpLookupAtStartUpSwitchesContentServiceInstalls)
{
    const Zel::UId family(Zel::kImagePluginFamily);
    AcquireImagePluginType();
    EXPECT_TRUE(IsCHBInstallPossible());
    ReleaseImagePluginType();

    ASSERT_TRUE(Zel::PluginBase::UnregisterPluginType(family, "bmp"));
    AcquireImagePluginType();
    EXPECT_FALSE(IsCHBInstallPossible());
    ReleaseImagePluginType();

    EXPECT_TRUE(Zel::PluginBase::RegisterPluginType(new Zel::PluginType(family, "bmp")));
    AcquireImagePluginType();
    EXPECT_TRUE(IsCHBInstallPossible());
    ReleaseImagePluginType();
}

}  // namespace
