// The old-config upgrade's mesh tables, one builder per kind, from the old fixed file names.
#include <string>

#include "templates/dod_config_upgrade_steps.h"
#include "templates/dod_soup_helpers.h"

namespace DODLib {
namespace ConfigUpgrade {

namespace {

const Zel::PString& MeshTableName()
{
    static const Zel::PString name("mesh-table");
    return name;
}

// "M/M.im": the old layout kept each mode's mesh in a folder of its name.
Zel::PString ModeMesh(const Zel::PString& mode)
{
    return JoinedName({mode.View(), "/", mode.View(), ".im"});
}

SoupHandle MeshEntry(const Zel::PString& mesh, int autoCreate)
{
    SoupHandle entry;
    entry.SetNamedTag(Zel::PString("mesh"), mesh);
    entry.SetNamedTagInt(Zel::PString("auto-create"), autoCreate);
    return entry;
}

// Takes a tag's text out of the config.
Zel::PString TakeTag(SoupHandle& config, const char* name)
{
    const Zel::PString tag(name);
    const Zel::PString value = config.GetNamedTag(tag);
    config.RemoveNamedTag(tag);
    return value;
}

void StoreTable(SoupHandle& config, SoupHandle& table)
{
    config.SetNamedSoup(MeshTableName(), table);
}

}  // namespace

void BuildBogeyMeshTable(SoupHandle& config, const Zel::PString& assetFile)
{
    const std::string_view file = assetFile.View();
    SoupHandle table;
    SoupHandle main = MeshEntry(JoinedName({file, ".pm"}), 1);
    SoupHandle shadow = MeshEntry(JoinedName({file, "_shadow/", file, "_shadow.pm"}), 0);
    table.SetNamedSoup(Zel::PString("default"), main);
    table.SetNamedSoup(Zel::PString("shadow"), shadow);
    StoreTable(config, table);
}

void BuildTraincarMeshTable(SoupHandle& config, const Zel::PString& assetFile)
{
    const std::string_view file = assetFile.View();
    SoupHandle table;
    SoupHandle main = MeshEntry(JoinedName({file, "_body/", file, "_body.pm"}), 1);
    SoupHandle shadow = MeshEntry(JoinedName({file, "_shadow/", file, "_shadow.pm"}), 0);
    table.SetNamedSoup(Zel::PString("default"), main);
    table.SetNamedSoup(Zel::PString("shadow"), shadow);
    StoreTable(config, table);
}

void BuildJunctionMeshTable(SoupHandle& config)
{
    SoupHandle table;
    for (const auto& [modeTag, autoCreate] : {std::pair{"mode0", "1"}, std::pair{"mode1", "0"}}) {
        const Zel::PString mode = config.GetNamedTag(Zel::PString(modeTag));
        if (mode.IsEmpty())
            continue;
        // Junction tables once held "auto-create" as text; kept so.
        SoupHandle entry;
        entry.SetNamedTag(Zel::PString("mesh"), ModeMesh(mode));
        entry.SetNamedTag(Zel::PString("auto-create"), autoCreate);
        table.SetNamedSoup(mode.ToLower(), entry);
        config.RemoveNamedTag(Zel::PString(modeTag));
    }
    StoreTable(config, table);
}

void BuildSceneryMeshTable(SoupHandle& config, const Zel::PString& assetFile)
{
    const std::string_view file = assetFile.View();
    SoupHandle main;
    main.SetNamedTagInt(Zel::PString("auto-create"), 1);
    main.SetNamedTag(Zel::PString("mesh"), JoinedName({file, ".im"}));
    const Zel::PString autoAnimation("auto-animation");
    if (config.GetNamedTagAsInt(autoAnimation, 0) != 0) {
        main.SetNamedTag(Zel::PString("anim"), "anim.kin");
        main.SetNamedTagFloat(Zel::PString("animation-loop-speed"), 1.0f);
    }
    config.RemoveNamedTag(autoAnimation);

    const int names = CountNameAttachments(JoinedName({file, ".im"}));
    if (names > 0) {
        SoupHandle effects;
        for (int i = 0; i < names; ++i) {
            SoupHandle effect;
            effect.SetNamedTag(Zel::PString("kind"), "name");
            effect.SetNamedTag(Zel::PString("att"), NumberedName("a.name", i));
            // Copied as they are: a colour stays a number list, a size a number.
            for (const char* font : {"fontcolor", "fontsize"}) {
                const Zel::PString name(font);
                if (!config.GetNamedTag(name).IsEmpty())
                    PutChunk(effect, name, OwnedCopy(config.Root()->GetNamedTagConst(name)));
            }
            effect.SetNamedTag(Zel::PString("name"), "name");
            effects.SetNamedSoup(NumberedName("", i), effect);
        }
        main.SetNamedSoup(Zel::PString("effects"), effects);
    }

    SoupHandle table;
    table.SetNamedSoup(Zel::PString("default"), main);
    const Zel::PString nightTag("night");
    if (config.HasNamedTag(nightTag)) {
        const Zel::PString night = TakeTag(config, "night");
        SoupHandle entry;
        entry.SetNamedTag(Zel::PString("mesh"), ModeMesh(night));
        entry.SetNamedTag(Zel::PString("night-mesh-base"), "default");
        table.SetNamedSoup(nightTag, entry);
    }
    StoreTable(config, table);
}

void BuildInteriorMeshTable(SoupHandle& config)
{
    SoupHandle table;
    const Zel::PString attachmentTag("attachment");
    const SoupHandle attachments = config.GetNamedSoup(attachmentTag);
    if (IsRealSoup(attachments)) {
        const Zel::PString att("att");
        const Zel::PString parent("att-parent");
        const int32_t count = attachments.CountTags();
        for (int32_t i = 0; i < count; ++i) {
            const SoupHandle original = attachments.GetIndexedSoup(i);
            if (!IsRealSoup(original))
                continue;
            SoupHandle entry = SoupHandle::FromChunk(OwnedCopy(original.Root()));
            if (entry.HasNamedTag(att) && !entry.HasNamedTag(parent))
                entry.SetNamedTag(parent, "default");
            table.SetNamedSoup(attachments.GetIndexedTagName(i), entry);
        }
        config.RemoveNamedTag(attachmentTag);
    }
    const Zel::PString meshTag("mesh");
    if (config.HasNamedTag(meshTag)) {
        SoupHandle main = MeshEntry(TakeTag(config, "mesh"), 1);
        table.SetNamedSoup(Zel::PString("default"), main);
    }
    StoreTable(config, table);
}

void BuildTurntableMeshTable(SoupHandle& config)
{
    const Zel::PString bridge = TakeTag(config, "mode0");
    const Zel::PString deck = TakeTag(config, "mode1");
    SoupHandle table;
    SoupHandle main = MeshEntry(ModeMesh(bridge), 1);
    SoupHandle turning;
    turning.SetNamedTag(Zel::PString("mesh"), ModeMesh(deck));
    table.SetNamedSoup(Zel::PString("default"), main);
    table.SetNamedSoup(Zel::PString("turntable"), turning);
    StoreTable(config, table);
    AttachTurntableTracks(config, ModeMesh(bridge), ModeMesh(deck));
}

void BuildCrossingMeshTable(SoupHandle& config)
{
    const Zel::PString mode = TakeTag(config, "mode0");
    config.RemoveNamedTag(Zel::PString("mode1"));
    const Zel::PString animation = JoinedName({mode.View(), "/anim.kin"});
    SoupHandle main;
    main.SetNamedTag(Zel::PString("mesh"), ModeMesh(mode));
    main.SetNamedTag(Zel::PString("anim"), animation);
    main.SetNamedTagInt(Zel::PString("auto-create"), 1);
    SoupHandle table;
    table.SetNamedSoup(Zel::PString("default"), main);
    StoreTable(config, table);
    AttachCrossingTracks(config, ModeMesh(mode), animation);
}

}  // namespace ConfigUpgrade
}  // namespace DODLib
