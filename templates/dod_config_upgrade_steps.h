// The pieces of the old-config upgrade that its files share: tag helpers, mesh tables, bogey lists and tag clean-up.
#pragma once

#include <initializer_list>
#include <string_view>
#include <unordered_set>

#include "soup/soup_handle.h"
#include "zel/pstring.h"

namespace DODLib {
namespace ConfigUpgrade {

// "%d"-style names: the prefix, the number, the suffix.
Zel::PString NumberedName(std::string_view prefix, int number, std::string_view suffix = {});
// The parts one after the other.
Zel::PString JoinedName(std::initializer_list<std::string_view> parts);
// Removes the first tag of each name.
void RemoveTags(SoupHandle& soup, std::initializer_list<const char*> names);
// Kind names compare without regard to letter case.
bool IsKind(const Zel::PString& kind, std::string_view name);
// A value that is absent or of length 0.
bool IsEmptyTag(const SoupHandle& soup, const char* name);
// Removes the tag at the index (not the first of its name: a soup read from
// a binary config may hold one name twice).
void RemoveTagAt(SoupHandle& soup, int32_t index);
// A deep copy with bytes of its own. What the upgrade moves within a config
// is copied so: a chunk of a config read from a binary file keeps that file
// alive, and stored back into the file's own tree it would keep it alive
// for ever.
ChunkRef OwnedCopy(const ChunkRef& chunk);
// Stores a chunk under a name as the setters do: the old tag of the name
// goes, the new one is appended.
void PutChunk(SoupHandle& soup, const Zel::PString& name, ChunkRef chunk);

// The names the top-level templates offer, their inherited ones included.
class TopLevelTags {
public:
    explicit TopLevelTags(const SoupHandle& library);
    bool Contains(const Zel::PString& name) const { return names_.count(name.Node()) != 0; }

private:
    void AddDefinition(const SoupHandle& library, const SoupHandle& definition, int depth);
    std::unordered_set<const void*> names_;
};

// The rewrites by kind. assetFile is the old "asset-filename"; renaming
// is the data manager's switch for legacy files.
bool HasMeshTable(const SoupHandle& config);
// An old "icon-texture" becomes the first thumbnail, unless there are some.
void IconToThumbnail(SoupHandle& config);
void UpgradeByKind(SoupHandle& config, const Zel::PString& kind, const Zel::PString& assetFile);
void UpgradeFileNames(SoupHandle& config, const Zel::PString& kind, const Zel::PString& assetFile, bool renaming);
void UpgradeScenery(SoupHandle& config, const Zel::PString& kind, const Zel::PString& assetFile);
void UpgradeMapFiles(const Zel::PString& kind, const Zel::PString& assetFile, bool renaming);
void UpgradeInterior(SoupHandle& config, const Zel::PString& kind, const Zel::PString& assetFile);

// Mesh tables by kind; each replaces "mesh-table". assetFile is the old
// "asset-filename".
void BuildBogeyMeshTable(SoupHandle& config, const Zel::PString& assetFile);
void BuildTraincarMeshTable(SoupHandle& config, const Zel::PString& assetFile);
void BuildJunctionMeshTable(SoupHandle& config);
void BuildSceneryMeshTable(SoupHandle& config, const Zel::PString& assetFile);
void BuildInteriorMeshTable(SoupHandle& config);
void BuildTurntableMeshTable(SoupHandle& config);
void BuildCrossingMeshTable(SoupHandle& config);
// The attachment points "a.name0", "a.name1", ... that the mesh (a file in
// the asset's folder) has, up to the first missing one; 0 when it does not
// load.
int CountNameAttachments(const Zel::PString& meshFile);

// The "attached-track" list of a turntable or crossing from the attachment
// points of its meshes; nothing when the config has one already.
void AttachTurntableTracks(SoupHandle& config, const Zel::PString& bridgeMesh, const Zel::PString& deckMesh);
void AttachCrossingTracks(SoupHandle& config, const Zel::PString& mesh, const Zel::PString& animation);

// "bogey", "bogey-r", "bogey-%d" and "bogey-%d-r" become a "bogeys" list.
void BuildBogeyList(SoupHandle& config);

// Stray tags of old free text: those after the first "description" that no
// top-level template knows, and "asset"/"asset-..." tags.
void RemoveTagsAfterDescription(SoupHandle& config, const TopLevelTags& known);
void RemoveAssetTags(SoupHandle& config, const TopLevelTags& known);
// Tags no current template knows by those names, and names no tag can have.
void RemoveJunkTags(SoupHandle& config);
void RemoveWordTags(SoupHandle& config);
void RemoveUnnamableTags(SoupHandle& config);
// "auteur", "organization", "user-name", "name", "description:".
void RenameOldTags(SoupHandle& config);

// Moves a legacy file inside the asset's folder; only while the data
// manager renames legacy files, which this program never turns on.
void RenameAssetFile(const Zel::PString& from, const Zel::PString& to);
void RenameIfExists(const Zel::PString& from, const Zel::PString& to);

}  // namespace ConfigUpgrade
}  // namespace DODLib
