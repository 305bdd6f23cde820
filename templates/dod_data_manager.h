// The process-wide template data manager: data folder, template library, value lists, the asset under validation.
#pragma once

#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

#include "soup/soup_handle.h"
#include "templates/dod_list_files.h"
#include "templates/dod_mesh_data.h"
#include "templates/dod_personal_details.h"
#include "zel/file.h"
#include "zel/pstring.h"

struct AppContext;
class KorvelResourceDatabase;

namespace Zel {
class Camera;
class ParallelLight;
class Particle;
class ResourceSystem;
class RenderKernel;
class OS;
}  // namespace Zel

namespace DODLib {

class Container;
class Tag;

class DataManager {
public:
    // Creates the manager with its data folder (program folder + "DODData/");
    // true.
    static bool Initialise(const char* dataFolder);
    // The manager; its first use reads the data folder. Without a manager
    // the process ends through FatalError.
    static DataManager* Instance();
    // The manager without reading the data folder: start-up hands it the
    // engine through this, so that only commands that use templates pay for
    // the read. Null before Initialise.
    static DataManager* InstanceUnread();
    // Tears the manager down (writing the personal details) and destroys it;
    // nothing when there is none.
    static void Shutdown();
    // True between Initialise and Shutdown.
    static bool Exists();

    // Loads one dummy material per renderer vertex type; failures are
    // logged, not returned.
    static void RegisterKorvelBumpVertexType();
    // The same registration, left to the first GetPublishedRenderKernel:
    // most commands never draw, and unseen log lines are its only trace
    // until something does.
    static void RegisterKorvelBumpVertexTypeAtFirstUse();
    // Releases those materials (and drops a registration still waiting for
    // its first use); nothing when there is no manager.
    static void ReleaseBumpVertexTypes();
    // The render kernel the mesh checks draw with, published by
    // InitialiseRenderContext; null before and once the manager that
    // published it has shut down. A registration left to first use runs
    // before the first caller gets the kernel.
    static Zel::RenderKernel* GetPublishedRenderKernel();

    virtual ~DataManager();
    DataManager(const DataManager&) = delete;
    DataManager& operator=(const DataManager&) = delete;

    // Keeps the engine objects of the record for the mesh checks, makes the
    // root particle of their scene and links it into the kernel's scene
    // graph (a second call replaces the first's); true.
    virtual bool InitialiseRenderContext(AppContext& context);
    virtual void MeshLoaded(Container* container);
    virtual void AddSourceTag(const Zel::PString& source, Tag* tag);
    virtual void AddChildContainer(const Zel::PString& parentName, Container* container);
    virtual void ListsChanged();
    virtual void AttachmentsChanged();
    virtual void UniqueAttachmentsChanged();
    virtual void AddAttachmentTag(Tag* tag);
    virtual void AddUniqueAttachmentTag(Tag* tag);
    // True when a child container of that name is registered under the
    // source, or a loaded mesh offers an attachment point of that name.
    virtual bool HasEntryFor(const Zel::PString& name, const Zel::PString& source) const;

    // Merges "inheritance.txt", "kind.txt" and "container.txt" into the
    // template library, once per process.
    void LoadTemplates();
    // The template library (shared).
    SoupHandle GetLibrary() const { return templates_; }
    bool AreTemplatesLoaded() const { return templatesLoaded_; }

    // The asset under validation: its root folder name and folder (worked
    // out from the folder when the name is empty); opens and holds the
    // resource database of the root.
    void SetAsset(const Zel::PString& rootName, const Zel::File::Path& folder);
    Zel::PString GetAssetRootName() const { return assetRootName_; }
    const Zel::File::Path& GetAssetFolder() const { return assetFolder_; }
    // The root folder's path followed by the asset folder.
    Zel::File::Path GetAssetFullPath() const;
    static void SetConfigFileName(const char* name);
    const Zel::PString& GetConfigFileName() const { return configFileName_; }
    KorvelResourceDatabase* GetResourceDatabase() const { return resourceDatabase_; }
    // The scene particle the checked meshes hang from; null before
    // InitialiseRenderContext and after shutdown.
    Zel::Particle* GetRootParticle() const { return rootParticle_.get(); }
    // The light of the checked meshes, under the root particle; null unless
    // the record named a camera.
    Zel::ParallelLight* GetLight() const { return light_; }

    // Checks a file named by a file-path field by its extension, loading
    // meshes and animations; the mesh object or null.
    MeshData* CheckMeshFile(const Zel::PString& fileName, Container* container);
    // Replaces how ".im" and ".lm" files are loaded (the default reads no
    // geometry: it reports a missing file and accepts an existing one
    // without inspecting it).
    void SetMeshLoader(MeshLoader loader);
    MeshData* GetMeshFor(const Container* container) const;
    // Loads a mesh of the asset's folder (name relative to that folder) only
    // to read it: not registered, nothing reported; null when it does not
    // load.
    std::unique_ptr<MeshData> InspectMesh(const Zel::PString& fileInAssetFolder);
    // Frees the meshes and, when anything was loaded since the last time,
    // the resources and materials no one uses, and the strings no one holds
    // once the table has grown enough for a walk of it to pay.
    void ReleaseLoadedMeshes();
    void RemoveTag(Tag* tag);
    void RemoveContainerMesh(Container* container);
    void RemoveChildContainer(Container* container);
    void ClearChildContainers();
    void ClearAttachedTrackList();
    void ClearQueuesList();
    void ClearMeshTableList();
    void SetListFile(const Zel::PString& fileName, const std::vector<std::pair<Zel::PString, Zel::PString>>& pairs);

    // The value list named by a field's "source", file name case ignored;
    // null when there is none.
    const ListFile* FindListFile(const Zel::PString& source) const;
    const std::unordered_map<Zel::PString, ListFile>& GetListFiles() const { return listFiles_; }
    const std::vector<Zel::PString>& GetNewFormTemplates() const { return newFormTemplates_; }
    PersonalDetails& GetPersonalDetails() { return *personalDetails_; }
    const Zel::PString& GetDataFolder() const { return dataFolder_; }

    float GetBuild() const { return build_; }
    void SetBuild(float build) { build_ = build; }
    bool IsMeshFailed() const { return meshFailed_; }
    void SetMeshFailed(bool failed) { meshFailed_ = failed; }
    bool IsQuickCheck() const { return quickCheck_; }
    void SetQuickCheck(bool quick) { quickCheck_ = quick; }
    bool IsOutsideEditing() const { return outsideEditing_; }
    void SetOutsideEditing(bool outside) { outsideEditing_ = outside; }
    bool IsSkipAnimation() const { return skipAnimation_; }
    void SetSkipAnimation(bool skip) { skipAnimation_ = skip; }
    bool RenamesLegacyFiles() const { return renameLegacyFiles_; }

    const std::vector<Tag*>& GetAttachmentTags() const { return attachmentTags_; }
    const std::vector<Tag*>& GetUniqueAttachmentTags() const { return uniqueAttachmentTags_; }
    const std::vector<Tag*>* GetSourceTags(const Zel::PString& source) const;
    const std::vector<Container*>* GetChildContainers(const Zel::PString& parentName) const;

private:
    explicit DataManager(const char* dataFolder);
    bool LoadTemplateData();
    // False when the data folder is missing.
    bool ReadPersonalDetails();
    void Teardown();
    // Unlinks the root particle from the scene graph and deletes the
    // camera, the light and the root particle.
    void ReleaseRenderContext();
    // Takes the record's camera over and gives its scene the parallel light.
    void LightPreviewScene(AppContext& context);
    MeshData* RegisterMesh(std::unique_ptr<MeshData> mesh, Container* container);
    std::unique_ptr<MeshData> LoadMesh(const Zel::PString& file, bool lod, Container* container);
    void AddPerformanceNotes(const MeshData& mesh, const Zel::PString& file, Container* container);
    // Frees the strings no one holds once enough may have gathered.
    void CollectStringsIfGrown();

    bool loaded_ = false;
    bool meshFailed_ = false;
    bool quickCheck_ = false;
    bool outsideEditing_ = false;
    Zel::PString dataFolder_;
    Zel::File::Path assetFolder_;
    Zel::PString configFileName_;
    SoupHandle templates_;
    Zel::ResourceSystem* resourceSystem_ = nullptr;
    Zel::RenderKernel* renderKernel_ = nullptr;
    Zel::OS* os_ = nullptr;
    std::unique_ptr<Zel::Particle> rootParticle_;
    Zel::ParallelLight* light_ = nullptr;  // owned by the root particle
    std::unique_ptr<Zel::Camera> camera_;
    bool templatesLoaded_ = false;
    std::map<const Container*, std::unique_ptr<MeshData>> loadedMeshes_;
    MeshData* currentMesh_ = nullptr;
    // Whether anything was loaded (or tried) since the caches were last
    // trimmed: a validation releases twice (after the checks, and with its
    // container), and the second finds nothing to give back.
    bool loadedSinceRelease_ = false;
    size_t stringsAfterCollecting_ = 0;
    std::unique_ptr<PersonalDetails> personalDetails_;
    std::unordered_map<Zel::PString, std::vector<Container*>> childContainers_;
    std::unordered_map<Zel::PString, std::vector<Tag*>> sourceTags_;
    std::vector<Tag*> attachmentTags_;
    std::vector<Tag*> uniqueAttachmentTags_;
    std::unordered_map<Zel::PString, ListFile> listFiles_;
    std::vector<Zel::PString> newFormTemplates_;
    KorvelResourceDatabase* resourceDatabase_ = nullptr;
    Zel::PString assetRootName_;
    float build_ = 3.3f;
    bool renameLegacyFiles_ = false;
    bool skipAnimation_ = false;
    MeshLoader meshLoader_;
};

}  // namespace DODLib
