// Mesh check objects: loading a mesh through the asset's resource database, the after-load facts, and animations.
#include "templates/dod_mesh_data.h"

#include <algorithm>

#include "assetdb/resource_database.h"
#include "mesh/indexed_mesh_instance.h"
#include "mesh/mesh_resources.h"
#include "templates/dod_data_manager.h"
#include "templates/dod_error_handler.h"
#include "templates/dod_main_thread_job.h"
#include "templates/dod_messages.h"
#include "zel/animator.h"
#include "zel/ascii.h"
#include "zel/material.h"
#include "zel/material_manager.h"
#include "zel/particle_bone.h"
#include "zel/render_kernel.h"

namespace DODLib {

namespace {

// Textures are looked for as files beside their mesh, or in their text form.
Zel::FileTextureSource& TextureFiles()
{
    static Zel::FileTextureSource source;
    return source;
}

void CollectBoneTree(const Zel::ParticleBone& bone, std::vector<MeshBone>& bones)
{
    bones.push_back({Zel::PString(bone.name.c_str()), bone.position[0], bone.position[1], bone.position[2]});
    for (const auto& child : bone.children)
        CollectBoneTree(*child, bones);
}

// Attachment names may carry the path of the tool's scene ("body/lights/a.lamp"): only the last part counts.
std::string LastPathPart(const std::string& name)
{
    const size_t slash = name.rfind('/');
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

// The name with "." and ".." steps taken; empty when a ".." climbs above
// the asset's folder. Config values are joined to that folder unchecked, and
// the checks read only what the asset holds.
std::string NameInsideAssetFolder(const std::string& name, const std::string& assetFolder)
{
    std::vector<std::string> parts;
    size_t floor = 0;
    auto split = [](const std::string& text, auto each) {
        size_t start = 0;
        while (start <= text.size()) {
            const size_t end = std::min(text.find_first_of("/\\", start), text.size());
            each(text.substr(start, end - start));
            start = end + 1;
        }
    };
    split(assetFolder, [&](const std::string& part) {
        if (!part.empty() && part != ".")
            parts.push_back(part);
    });
    floor = parts.size();
    parts.clear();
    bool escaped = false;
    split(name, [&](const std::string& part) {
        if (part.empty() || part == ".")
            return;
        if (part != "..") {
            parts.push_back(part);
            return;
        }
        if (parts.size() <= floor)
            escaped = true;
        else
            parts.pop_back();
    });
    if (escaped)
        return std::string();
    std::string joined;
    for (const std::string& part : parts)
        joined += (joined.empty() ? "" : "/") + part;
    return joined;
}

struct ReleaseResource {
    void operator()(KorvelGeometryBaseResource* resource) const { resource->ReleaseReference(); }
};

}  // namespace

MeshData::MeshData() = default;

// The animator plays onto the skeleton modifier: it goes first. The
// instance is a child: deleting it takes it out of this node.
MeshData::~MeshData()
{
    animator_.reset();
    skeletonModifier_.reset();
    delete instance_;
    instance_ = nullptr;
    SetHidden(false);
}

bool MeshData::Load(const Zel::PString& fileName, Container* container)
{
    container_ = container;
    meshFileName_ = fileName;
    jobResult_ = false;
    RunLoadJob();
    return jobResult_;
}

void MeshData::RunLoadJob()
{
    RunMeshJob(this, &MeshData::LoadJob);
}

uint32_t MeshData::GetFaceCount() const
{
    const KorvelIndexedMeshInstance* instance = GetInstance();
    return instance ? instance->GetFaceCount() : 0;
}

void MeshData::UpdateLighting(Zel::Display* display, const Zel::Viewport& viewport, const Zel::Matrix4& matrix,
                              bool force)
{
    KorvelIndexedMeshInstance* instance = GetInstance();
    if (instance == nullptr)
        return;
    instance->UpdateLighting(display, viewport, matrix, force);
    instance->SetUpdateLighting(true);
}

void MeshData::AddAttachmentPoint(const Zel::PString& name)
{
    MeshAttachment point;
    point.name = std::string(name.View());
    attachmentPoints_.push_back(std::move(point));
}

bool MeshData::HasAttachmentPoint(const Zel::PString& name) const
{
    for (const MeshAttachment& point : attachmentPoints_) {
        if (name == point.name.c_str())
            return true;
    }
    return false;
}

std::string MeshData::ShownMeshName() const
{
    return NameBelowAssetFolder(loadedName_.View());
}

KorvelGeometryBaseResource* MeshData::RequestMeshResource(bool acceptProgressive, bool& progressive)
{
    DataManager* manager = DataManager::Instance();
    progressive = false;
    loadedName_ = meshFileName_;
    const std::string name =
        NameInsideAssetFolder(Zel::AsciiLowerCopy(loadedName_.View()), manager->GetAssetFolder().Str());
    KorvelResourceDatabase* database = manager->GetResourceDatabase();
    RegisterMeshResourceTypes();
    Zel::Resource* resource = database && !name.empty() ? database->Get(name.c_str(), 2) : nullptr;
    if (acceptProgressive && dynamic_cast<KorvelProgressiveMeshResource*>(resource)) {
        progressive = true;
        resource->ReleaseReference();
        return nullptr;
    }
    auto* mesh = dynamic_cast<KorvelGeometryBaseResource*>(resource);
    if (mesh == nullptr) {
        // A mesh-asset config or an alias lends its meshes from elsewhere: a
        // name it does not hold is no fault of it.
        if (resource != nullptr || (container_ && !manager->IsSkipAnimation()))
            ErrorHandler::Instance()->AddError(FindingText("$dod_mesh_load_mesh", ShownMeshName()), container_);
        if (resource != nullptr)
            resource->ReleaseReference();
        return nullptr;
    }
    Zel::RenderKernel* kernel = DataManager::GetPublishedRenderKernel();
    mesh->SetRenderKernel(kernel, kernel ? kernel->GetMaterialManager() : nullptr, &TextureFiles());
    return mesh;
}

KorvelIndexedMeshInstance* MeshData::CreateInstance(KorvelGeometryBaseResource& resource)
{
    KorvelIndexedMeshInstance* instance = nullptr;
    if (resource.Lock() == 0) {
        instance = resource.CreateMeshInstance();
        // The instance holds the resource locked for as long as it lives.
        resource.Unlock();
    }
    if (instance == nullptr)
        ErrorHandler::Instance()->AddError(FindingText("$dod_mesh_initialise_mesh", ShownMeshName()), container_);
    return instance;
}

void MeshData::LoadJob(intptr_t /*argument*/)
{
    bool progressive = false;
    std::unique_ptr<KorvelGeometryBaseResource, ReleaseResource> resource(RequestMeshResource(true, progressive));
    inspected_ = true;
    if (progressive) {
        jobResult_ = true;
        return;
    }
    if (!resource)
        return;
    instance_ = Add(std::unique_ptr<KorvelIndexedMeshInstance>(CreateInstance(*resource)));
    if (!instance_)
        return;
    definition_ = resource->GetDefinition();
    CompleteLoad(*definition_);
    jobResult_ = true;
}

void MeshData::CompleteLoad(const KorvelIndexedMeshDefinition& definition)
{
    Zel::RenderKernel* kernel = DataManager::GetPublishedRenderKernel();
    skeletonModifier_ = std::make_unique<Zel::SkeletonModifier>(definition.GetSkeleton(), kernel, 0.5f);
    animator_ = std::make_unique<Zel::Animator>(kernel ? kernel->GetDisplay() : nullptr,
                                                DataManager::Instance()->GetResourceDatabase(),
                                                skeletonModifier_.get());
    hasInstance_ = true;
    ErrorHandler::Instance()->AddNote(FindingText("$dod_mesh_successfulmesh"), container_);
    CopyAttachmentPoints(definition);
    CheckMaterials(definition);
    CollectBones(definition);
}

void MeshData::CopyAttachmentPoints(const KorvelIndexedMeshDefinition& definition)
{
    for (const MeshAttachment& attachment : definition.GetAttachments()) {
        MeshAttachment point = attachment;
        point.name = LastPathPart(point.name);
        attachmentPoints_.push_back(std::move(point));
    }
}

void MeshData::CollectBones(const KorvelIndexedMeshDefinition& definition)
{
    if (const Zel::ParticleBone* root = definition.GetSkeleton())
        CollectBoneTree(*root, bones_);
}

std::vector<const Zel::Material*> MeshData::MaterialsToCheck() const
{
    std::vector<const Zel::Material*> materials;
    if (definition_) {
        for (size_t i = 0; i < definition_->GetMaterials().Size(); ++i)
            materials.push_back(definition_->GetMaterials()[i]);
    }
    return materials;
}

bool MeshData::LoadAnimation(const Zel::PString& fileName)
{
    animationFileName_ = fileName;
    jobResult_ = false;
    RunMeshJob(this, &MeshData::LoadAnimationJob);
    return jobResult_;
}

void MeshData::LoadAnimationJob(intptr_t /*argument*/)
{
    ErrorHandler* errors = ErrorHandler::Instance();
    const std::string shown = NameBelowAssetFolder(animationFileName_.View());
    if (!animator_) {
        errors->AddError(FindingText("$dod_mesh_animationfailedmesh", shown), container_);
        return;
    }
    const std::string name = Zel::AsciiLowerCopy(animationFileName_.View());
    const char* failure = nullptr;
    switch (animator_->Add(name.c_str(), 5, 1, 0, 1, 0, 0, 1)) {
    case Zel::Animator::AddSkeletonMismatch:
        failure = "$dod_mesh_animationfailedskeleton";
        break;
    case Zel::Animator::AddResourceFailed:
        failure = "$dod_mesh_animationfailedres";
        break;
    case Zel::Animator::AddObserverFailed:
        failure = "$dod_mesh_animationfailedobserver";
        break;
    default:
        break;
    }
    if (failure != nullptr) {
        errors->AddError(FindingText(failure, shown), container_);
        return;
    }
    delete Zel::AnimationModifier::CreateInstance(DataManager::Instance()->GetResourceDatabase(), name.c_str(), 5);
    animations_.push_back(Zel::PString(name.c_str()));
    if (container_)
        errors->AddNote(FindingText("$dod_mesh_successfulanimation"), container_);
    else
        errors->AddNote(FindingText("$dod_mesh_successfulanimation"));
    jobResult_ = true;
}

std::string NameBelowAssetFolder(std::string_view name)
{
    std::string shown(name);
    const std::string& folder = DataManager::Instance()->GetAssetFolder().Str();
    if (folder.empty() || shown.size() <= folder.size() || shown.compare(0, folder.size(), folder) != 0)
        return shown;
    shown.erase(0, folder.size());
    if (!shown.empty() && (shown[0] == '/' || shown[0] == '\\'))
        shown.erase(0, 1);
    return shown;
}

std::string MeshPathForFindings(const Zel::PString& filePath)
{
    std::string path(filePath.View());
    for (int component = 0; component < 2; ++component) {
        const size_t separator = path.find_first_of("/\\");
        if (separator == std::string::npos)
            break;
        path.erase(0, separator + 1);
    }
    return path;
}

}  // namespace DODLib
