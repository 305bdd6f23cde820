// A mesh loaded for the template checks, the way the simulator loads it: its instance, attachment points, bones and animations, its failures turned into findings.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "mesh/mesh_records.h"
#include "zel/particle.h"
#include "zel/pstring.h"

class KorvelGeometryBaseResource;
class KorvelIndexedMeshDefinition;
class KorvelIndexedMeshInstance;

namespace Zel {
class Animator;
class Display;
class Material;
class SkeletonModifier;
struct Viewport;
}  // namespace Zel

namespace DODLib {

class Container;

// A bone of the mesh's skeleton: its name and its position.
struct MeshBone {
    Zel::PString name;
    float x = 0, y = 0, z = 0;
};

// A scene particle: the data manager hangs the current validation's meshes in
// its scene and marks the current one.
class MeshData : public Zel::Particle {
public:
    MeshData();
    ~MeshData() override;
    MeshData(const MeshData&) = delete;
    MeshData& operator=(const MeshData&) = delete;

    // Loads the mesh (path relative to the asset's root folder) for the
    // container that named it, on the main thread; every failure is a
    // finding keyed by the container. True when it loaded.
    bool Load(const Zel::PString& fileName, Container* container);
    // Faces of the instance (of its selected level for a LOD mesh); 0 without one.
    virtual uint32_t GetFaceCount() const;
    virtual const char* GetName() const { return "some name"; }
    // The definition the instance was made from, untyped (no check reads it).
    virtual const void* GetDefinitionData() const { return GetDefinition(); }
    virtual int GetAttachmentPointCount() const { return static_cast<int>(attachmentPoints_.size()); }
    virtual int GetBoneCount() const { return static_cast<int>(bones_.size()); }
    // Names are cut to the text after their last "/".
    virtual const std::vector<MeshAttachment>& GetAttachmentPoints() const { return attachmentPoints_; }
    virtual const std::vector<MeshBone>& GetBones() const { return bones_; }
    // Lower-cased names of the animations that loaded.
    virtual const std::vector<Zel::PString>& GetAnimations() const { return animations_; }
    virtual KorvelIndexedMeshInstance* GetInstance() const { return instance_; }
    virtual const KorvelIndexedMeshDefinition* GetDefinition() const { return definition_; }
    // Works out the instance's lighting with these arguments, then marks it
    // for working out again: the preview's light follows the camera.
    virtual void UpdateLighting(Zel::Display* display, const Zel::Viewport& viewport, const Zel::Matrix4& matrix,
                                bool force);

    // Loads an animation onto the mesh's skeleton; a finding and false when
    // it cannot be (no instance, missing or damaged file, other bones).
    bool LoadAnimation(const Zel::PString& fileName);

    // The file as CheckMeshFile named it (relative to the asset's root folder).
    const Zel::PString& GetFilePath() const { return meshFileName_; }
    void SetFilePath(const Zel::PString& path) { meshFileName_ = path; }

    // False when the file's contents were not read: nothing is then known of
    // its attachment points, and checks that would need them accept every
    // name instead of reporting findings they cannot prove. A mesh whose
    // load ran is inspected.
    bool IsInspected() const { return inspected_; }
    void SetInspected(bool inspected) { inspected_ = inspected; }
    void AddAttachmentPoint(const Zel::PString& name);
    bool HasAttachmentPoint(const Zel::PString& name) const;

    // A LOD mesh's levels and the faces of its last level (0 when unknown).
    int GetLevelCount() const { return levelCount_; }
    int GetLowestLevelFaces() const { return lowestLevelFaces_; }
    void SetLevels(int count, int lowestLevelFaces)
    {
        levelCount_ = count;
        lowestLevelFaces_ = lowestLevelFaces;
    }
    int GetLoadedAnimationCount() const { return static_cast<int>(animations_.size()); }

    // Whether an instance exists onto which animations can be loaded.
    bool HasInstance() const { return hasInstance_; }

protected:
    // Posts the loading job of the object's kind.
    virtual void RunLoadJob();
    // The main-thread jobs.
    void LoadJob(intptr_t argument);
    void LoadAnimationJob(intptr_t argument);
    // Requests the lower-cased name from the asset's resource database and
    // loads it with the published render kernel; null (with a finding)
    // when that fails. progressive tells whether the resource was a
    // progressive mesh, which the caller may accept without loading.
    KorvelGeometryBaseResource* RequestMeshResource(bool acceptProgressive, bool& progressive);
    // Locks the resource and creates its instance; a finding and null when either fails.
    KorvelIndexedMeshInstance* CreateInstance(KorvelGeometryBaseResource& resource);
    // Skeleton modifier, animator, the success note and the after-load steps.
    void CompleteLoad(const KorvelIndexedMeshDefinition& definition);
    void CopyAttachmentPoints(const KorvelIndexedMeshDefinition& definition);
    void CheckMaterials(const KorvelIndexedMeshDefinition& definition);
    void CheckMaterialTextures(const Zel::Material& material);
    void CollectBones(const KorvelIndexedMeshDefinition& definition);
    // The materials whose textures are checked (a LOD mesh's span its levels).
    virtual std::vector<const Zel::Material*> MaterialsToCheck() const;
    // The mesh's name as findings show it: below the asset's folder.
    std::string ShownMeshName() const;

    // A child of this node, which owns it (as the LOD instance of a LOD mesh).
    KorvelIndexedMeshInstance* instance_ = nullptr;
    const KorvelIndexedMeshDefinition* definition_ = nullptr;
    Zel::PString meshFileName_;
    Zel::PString animationFileName_;
    Zel::PString loadedName_;
    std::vector<MeshAttachment> attachmentPoints_;
    std::vector<MeshBone> bones_;
    std::vector<Zel::PString> animations_;
    std::unique_ptr<Zel::SkeletonModifier> skeletonModifier_;
    std::unique_ptr<Zel::Animator> animator_;
    Container* container_ = nullptr;
    bool hasInstance_ = false;
    bool jobResult_ = false;
    bool inspected_ = false;
    int levelCount_ = 0;
    int lowestLevelFaces_ = 0;
};

// A name relative to the asset's root folder as findings show it: below the
// asset's folder (the name itself when it lies elsewhere).
std::string NameBelowAssetFolder(std::string_view name);

// A mesh file as findings show it: without its first two path components
// (the asset's folder inside its root).
std::string MeshPathForFindings(const Zel::PString& filePath);

// Loads one mesh file (".im" or ".lm", path relative to the asset's root
// folder) for a container; reports its own findings against the container
// and returns null when the mesh does not load.
using MeshLoader = std::function<std::unique_ptr<MeshData>(const Zel::PString& file, bool lod, Container* container)>;

}  // namespace DODLib
