// The old-config upgrade's readings of mesh attachment points: attached tracks of turntables and crossings, name effects.
#include <memory>
#include <string>

#include "kuid/kuid.h"
#include "templates/dod_config_upgrade_steps.h"
#include "templates/dod_data_manager.h"
#include "templates/dod_mesh_data.h"

namespace DODLib {
namespace ConfigUpgrade {

namespace {

std::unique_ptr<MeshData> LoadMesh(const Zel::PString& file)
{
    return DataManager::Instance()->InspectMesh(file);
}

// Adds the tracks "<entry>0", "<entry>1", ... whose end points "a.<point>Na"
// and "a.<point>Nb" the mesh has, up to the first pair it lacks.
void AddTracks(SoupHandle& tracks, const MeshData& mesh, const std::string& point, const std::string& entry,
               const KUID& track, int useAdjoining)
{
    for (int n = 0;; ++n) {
        const Zel::PString first = NumberedName("a." + point, n, "a");
        const Zel::PString second = NumberedName("a." + point, n, "b");
        if (!mesh.HasAttachmentPoint(first) || !mesh.HasAttachmentPoint(second))
            return;
        SoupHandle vertices;
        vertices.SetNamedTag(Zel::PString("0"), first);
        vertices.SetNamedTag(Zel::PString("1"), second);
        SoupHandle item;
        item.SetNamedSoup(Zel::PString("vertices"), vertices);
        item.SetNamedTagKUID(Zel::PString("track"), track);
        item.SetNamedTagInt(Zel::PString("useadjoiningtracktype"), useAdjoining);
        tracks.SetNamedSoup(NumberedName(entry, n), item);
    }
}

KUID AssetIdOf(const SoupHandle& config, const char* name)
{
    return config.GetNamedTagAsKUID(Zel::PString(name), NullKUID);
}

// Fills a new "attached-track" list unless the config has one; true when
// it was stored.
template <typename Fill>
bool StoreAttachedTracks(SoupHandle& config, Fill fill)
{
    static const Zel::PString name("attached-track");
    if (config.HasNamedTag(name))
        return false;
    SoupHandle tracks;
    tracks.EnsureContainer();
    fill(tracks);
    config.SetNamedSoup(name, tracks);
    return true;
}

}  // namespace

void AttachTurntableTracks(SoupHandle& config, const Zel::PString& bridgeMesh, const Zel::PString& deckMesh)
{
    const bool stored = StoreAttachedTracks(config, [&](SoupHandle& tracks) {
        const std::unique_ptr<MeshData> bridge = LoadMesh(bridgeMesh);
        const std::unique_ptr<MeshData> deck = LoadMesh(deckMesh);
        if (!bridge || !deck)
            return;
        const KUID track = AssetIdOf(config, "track");
        AddTracks(tracks, *bridge, "otrack", "tracko", track, 0);
        AddTracks(tracks, *deck, "itrack", "tracki", track, 0);
    });
    if (stored)
        config.RemoveNamedTag(Zel::PString("track"));
}

void AttachCrossingTracks(SoupHandle& config, const Zel::PString& mesh, const Zel::PString& animation)
{
    StoreAttachedTracks(config, [&](SoupHandle& tracks) {
        const std::unique_ptr<MeshData> crossing = LoadMesh(mesh);
        if (!crossing)
            return;
        // The track end points of a crossing are placed by its animation.
        Zel::File::Path animationFile = DataManager::Instance()->GetAssetFolder();
        animationFile.AddPath(animation.c_str());
        crossing->LoadAnimation(Zel::PString(animationFile.Str()));
        for (const char* name : {"road", "track"})
            AddTracks(tracks, *crossing, name, name, AssetIdOf(config, name), 1);
    });
}

int CountNameAttachments(const Zel::PString& meshFile)
{
    const std::unique_ptr<MeshData> mesh = LoadMesh(meshFile);
    if (!mesh)
        return 0;
    int count = 0;
    while (mesh->HasAttachmentPoint(NumberedName("a.name", count)))
        ++count;
    return count;
}

}  // namespace ConfigUpgrade
}  // namespace DODLib
