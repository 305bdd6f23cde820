// The old-config upgrade's rewrites by kind: mesh tables and bogeys, legacy file names, scenery, interiors and their cameras, icons.
#include <string>

#include "templates/dod_config_upgrade_steps.h"
#include "templates/dod_soup_helpers.h"

namespace DODLib {
namespace ConfigUpgrade {

namespace {

void UpgradeInteriorCamera(SoupHandle& config)
{
    FloatArray camera;
    const Zel::PString cameraTag("camera");
    if (config.HasNamedTag(cameraTag)) {
        const Zel::PString listTag("cameralist");
        SoupHandle list = config.GetNamedSoup(listTag);
        if (!IsRealSoup(list)) {
            list = SoupHandle();
            list.EnsureContainer();
            config.SetNamedSoup(listTag, list);
        }
        config.GetCameraList(camera);
        camera.Add(0.0f);
        camera.Add(0.0f);
        // Named by the list's size, unless a camera of that name is there
        // already (lists numbered with gaps): it is not replaced.
        int number = list.CountTags();
        while (list.Root()->GetNamedTagConst(NumberedName("camera", number)).Get() != ACSChunk::NullChunk())
            ++number;
        list.SetNamedTagFloatList(NumberedName("camera", number), camera);
        config.RemoveNamedTag(cameraTag);
    }
    const Zel::PString cameraDefault("cameradefault");
    if (!config.HasNamedTag(cameraDefault))
        config.SetNamedTagInt(cameraDefault, 0);
}

}  // namespace

bool HasMeshTable(const SoupHandle& config)
{
    return config.HasNamedTag(Zel::PString("mesh-table"));
}

void IconToThumbnail(SoupHandle& config)
{
    const Zel::PString icon("icon-texture");
    const Zel::PString thumbnails("thumbnails");
    if (!config.HasNamedTag(icon) || config.HasNamedTag(thumbnails))
        return;
    SoupHandle image;
    image.SetNamedTag(Zel::PString("image"), config.GetNamedTag(icon));
    image.SetNamedTagInt(Zel::PString("width"), 64);
    image.SetNamedTagInt(Zel::PString("height"), 64);
    SoupHandle list;
    list.SetNamedSoup(Zel::PString("0"), image);
    config.SetNamedSoup(thumbnails, list);
    config.RemoveNamedTag(icon);
}

void UpgradeByKind(SoupHandle& config, const Zel::PString& kind, const Zel::PString& assetFile)
{
    const bool buildTable = !assetFile.IsEmpty() && !HasMeshTable(config);
    if (IsKind(kind, "bogey")) {
        if (buildTable)
            BuildBogeyMeshTable(config, assetFile);
        RemoveTags(config, {"light"});
    } else if (IsKind(kind, "behavior")) {
        IconToThumbnail(config);
    } else if (IsKind(kind, "groundtexture") || IsKind(kind, "texture")) {
        RemoveTags(config, {"rgb"});
        const Zel::PString texture("texture");
        if (!assetFile.IsEmpty() && !config.HasNamedTag(texture))
            config.SetNamedTag(texture, (std::string(assetFile.View()) + ".texture").c_str());
        RemoveTags(config, {"light"});
    } else if (IsKind(kind, "mesh")) {
        RemoveTags(config, {"light"});
    } else if (IsKind(kind, "mojunction")) {
        if (buildTable)
            BuildJunctionMeshTable(config);
    } else if (IsKind(kind, "mocrossing")) {
        if (buildTable)
            BuildCrossingMeshTable(config);
        RemoveTags(config, {"track", "road"});
    } else if (IsKind(kind, "turntable")) {
        if (buildTable)
            BuildTurntableMeshTable(config);
    } else if (IsKind(kind, "traincar")) {
        if (buildTable)
            BuildTraincarMeshTable(config, assetFile);
        if (!config.HasNamedTag(Zel::PString("bogeys")))
            BuildBogeyList(config);
        const Zel::PString runningNumbers("running-numbers");
        if (config.GetNamedTagType(runningNumbers) == SoupTypeContainer)
            config.RemoveNamedTag(runningNumbers);
    }
}

void UpgradeFileNames(SoupHandle& config, const Zel::PString& kind, const Zel::PString& assetFile, bool renaming)
{
    if (assetFile.IsEmpty())
        return;
    if (IsKind(kind, "track"))
        RemoveTags(config, {"height"});
    if (IsKind(kind, "track") || IsKind(kind, "bridge"))
        RemoveTags(config, {"mini"});
    if (!renaming)
        return;
    const std::string_view file = assetFile.View();
    const Zel::PString shadowFolder = JoinedName({file, "_shadow/"});
    if (config.GetNamedTagAsFloat(Zel::PString("casts_shadows"), 0.0f) > 0.0f) {
        RenameAssetFile(JoinedName({file, "_shadow/default_shadow.im"}),
                        JoinedName({file, "_shadow/", file, "_shadow.im"}));
        RenameIfExists(Zel::PString("default/"), shadowFolder);
    }
    RenameAssetFile(Zel::PString("default.im"), JoinedName({file, ".im"}));
}

void UpgradeMapFiles(const Zel::PString& kind, const Zel::PString& assetFile, bool renaming)
{
    if (!IsKind(kind, "map") || assetFile.IsEmpty() || !renaming)
        return;
    for (const char* extension : {".bmk", ".obs", ".gnd", ".trk"})
        RenameAssetFile(JoinedName({"mapfile", extension}), JoinedName({assetFile.View(), extension}));
}

void UpgradeScenery(SoupHandle& config, const Zel::PString& kind, const Zel::PString& assetFile)
{
    if (!IsKind(kind, "scenery") && !IsKind(kind, "buildable"))
        return;
    if (!assetFile.IsEmpty() && !HasMeshTable(config))
        BuildSceneryMeshTable(config, assetFile);
    if (IsKind(kind, "scenery"))
        RemoveTags(config, {"bendy"});
}

void UpgradeInterior(SoupHandle& config, const Zel::PString& kind, const Zel::PString& assetFile)
{
    if (!IsKind(kind, "interior"))
        return;
    if (!assetFile.IsEmpty() && !HasMeshTable(config))
        BuildInteriorMeshTable(config);
    UpgradeInteriorCamera(config);
}

}  // namespace ConfigUpgrade
}  // namespace DODLib
