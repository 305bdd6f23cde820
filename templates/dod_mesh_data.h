// A mesh loaded for the template checks: its file, attachment points and whether it could be inspected.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "zel/pstring.h"

namespace DODLib {

class Container;

class MeshData {
public:
    virtual ~MeshData() = default;

    // The file as CheckMeshFile named it (relative to the asset's root folder).
    const Zel::PString& GetFilePath() const { return filePath_; }
    void SetFilePath(const Zel::PString& path) { filePath_ = path; }

    // False when the file exists but its contents were not read: nothing is
    // then known of its attachment points, and checks that would need them
    // accept every name instead of reporting findings they cannot prove.
    bool IsInspected() const { return inspected_; }
    void SetInspected(bool inspected) { inspected_ = inspected; }

    const std::vector<Zel::PString>& GetAttachmentPoints() const { return attachmentPoints_; }
    void AddAttachmentPoint(const Zel::PString& name) { attachmentPoints_.push_back(name); }
    bool HasAttachmentPoint(const Zel::PString& name) const;

    // A LOD mesh's levels and the faces of its last level (0 when unknown).
    int GetLevelCount() const { return levelCount_; }
    int GetLowestLevelFaces() const { return lowestLevelFaces_; }
    void SetLevels(int count, int lowestLevelFaces)
    {
        levelCount_ = count;
        lowestLevelFaces_ = lowestLevelFaces;
    }
    int GetLoadedAnimationCount() const { return loadedAnimations_; }

    // Whether an instance exists onto which animations can be loaded.
    virtual bool HasInstance() const { return true; }
    // Loads an animation file onto the mesh; true when it fits.
    virtual bool LoadAnimation(const Zel::PString& file);

private:
    Zel::PString filePath_;
    std::vector<Zel::PString> attachmentPoints_;
    bool inspected_ = false;
    int levelCount_ = 0;
    int lowestLevelFaces_ = 0;
    int loadedAnimations_ = 0;
};

// A mesh file as findings show it: without its first two path components
// (the asset's folder inside its root).
std::string MeshPathForFindings(const Zel::PString& filePath);

// Loads one mesh file (".im" or ".lm", path relative to the asset's root
// folder) for a container; reports its own findings against the container
// and returns null when the mesh does not load.
using MeshLoader = std::function<std::unique_ptr<MeshData>(const Zel::PString& file, bool lod, Container* container)>;

}  // namespace DODLib
