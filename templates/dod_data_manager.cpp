// The template data manager: life cycle, first-use reading of the data folder, the template library, the asset under validation.
#include "templates/dod_data_manager.h"

#include "foundation/base/app_context.h"
#include "foundation/base/logging.h"
#include <algorithm>
#include "foundation/base/install_paths.h"
#include "assetdb/resource_database.h"
#include "templates/dod_container.h"
#include "zel/ascii.h"
#include "zel/camera.h"
#include "zel/particle.h"

namespace DODLib {

namespace {

DataManager* dataManager = nullptr;

std::string FolderText(const Zel::PString& folder)
{
    std::string text(folder.View());
    for (char& c : text) {
        if (c == '\\')
            c = '/';
    }
    if (!text.empty() && text.back() != '/')
        text += '/';
    return text;
}

template <class T>
void EraseAll(std::vector<T*>& list, const T* item)
{
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

}  // namespace

DataManager::DataManager(const char* dataFolder)
    : dataFolder_(dataFolder), personalDetails_(std::make_unique<PersonalDetails>())
{}

DataManager::~DataManager()
{
    ReleaseLoadedMeshes();
    ReleaseResourceDatabase(resourceDatabase_);
}

bool DataManager::Initialise(const char* dataFolder)
{
    if (!dataManager)
        dataManager = new DataManager(dataFolder);
    return true;
}

DataManager* DataManager::Instance()
{
    if (!dataManager)
        FatalError("DataManager::Instance> datamanger not initialised");
    if (!dataManager->loaded_) {
        // Set first: a failed set-up is not retried.
        dataManager->loaded_ = true;
        dataManager->LoadTemplateData();
    }
    return dataManager;
}

DataManager* DataManager::InstanceUnread()
{
    return dataManager;
}

bool DataManager::Exists()
{
    return dataManager != nullptr;
}

void DataManager::Shutdown()
{
    if (!dataManager)
        return;
    dataManager->Teardown();
    delete dataManager;
    dataManager = nullptr;
}

bool DataManager::ReadPersonalDetails()
{
    const std::string folder = FolderText(dataFolder_);
    if (!Zel::File::IsDirectory(folder.c_str()))
        return false;
    personalDetails_->Read((folder + "personalDetails.txt").c_str());
    return true;
}

bool DataManager::LoadTemplateData()
{
    if (!ReadPersonalDetails())
        return false;
    const std::string folder = FolderText(dataFolder_);
    listFiles_.clear();
    if (!ReadListFiles(folder.c_str(), listFiles_))
        return false;
    newFormTemplates_ = ReadNewFormTemplates(folder.c_str());
    return true;
}

void DataManager::Teardown()
{
    // The details are written back whether or not the command used the
    // data, as when they were read at start-up: the file comes out the same.
    if (!loaded_) {
        loaded_ = true;
        ReadPersonalDetails();
    }
    const std::string path = FolderText(dataFolder_) + "personalDetails.txt";
    if (!personalDetails_->Write(path.c_str()))
        LogMessage("DataManager::Teardown> unable to write '%s'", path.c_str());
    ReleaseLoadedMeshes();
    ReleaseResourceDatabase(resourceDatabase_);
    resourceDatabase_ = nullptr;
    attachmentTags_.clear();
    uniqueAttachmentTags_.clear();
    ReleaseRenderContext();
    listFiles_.clear();
}

void DataManager::LoadTemplates()
{
    if (templatesLoaded_)
        return;
    templates_.Clear();
    templates_.EnsureContainer();
    const std::string folder = FolderText(dataFolder_);
    for (const char* file : {"inheritance.txt", "kind.txt", "container.txt"}) {
        SoupHandle soup;
        if (!soup.LoadFromFile(Zel::PString(), (folder + file).c_str(), "txt"))
            continue;
        const int32_t count = soup.CountTags();
        for (int32_t i = 0; i < count; ++i) {
            Zel::PString name;
            ChunkRef chunk;
            if (!soup.Root()->GetIndexedTag(i, name, chunk))
                continue;
            // A later file's definition replaces an earlier one of the name.
            templates_.RemoveNamedTag(name);
            templates_.GetContainer()->AddNamedTag(name, chunk);
        }
    }
    templatesLoaded_ = true;
}

void DataManager::MeshLoaded(Container* /*container*/) {}

void DataManager::AddSourceTag(const Zel::PString& source, Tag* tag)
{
    sourceTags_[source].push_back(tag);
    ListsChanged();
}

void DataManager::AddChildContainer(const Zel::PString& parentName, Container* container)
{
    childContainers_[parentName].push_back(container);
    ListsChanged();
}

void DataManager::ListsChanged() {}
void DataManager::AttachmentsChanged() {}
void DataManager::UniqueAttachmentsChanged() {}

void DataManager::AddAttachmentTag(Tag* tag)
{
    if (std::find(attachmentTags_.begin(), attachmentTags_.end(), tag) != attachmentTags_.end())
        return;
    attachmentTags_.push_back(tag);
    AttachmentsChanged();
}

void DataManager::AddUniqueAttachmentTag(Tag* tag)
{
    uniqueAttachmentTags_.push_back(tag);
    UniqueAttachmentsChanged();
}

bool DataManager::HasEntryFor(const Zel::PString& name, const Zel::PString& source) const
{
    if (const std::vector<Container*>* children = GetChildContainers(source)) {
        for (const Container* child : *children) {
            if (child->GetName() == name)
                return true;
        }
    }
    for (const auto& [container, mesh] : loadedMeshes_) {
        // A mesh whose contents could not be read may hold any point.
        if (!mesh->IsInspected() || mesh->HasAttachmentPoint(name))
            return true;
    }
    return false;
}

const std::vector<Tag*>* DataManager::GetSourceTags(const Zel::PString& source) const
{
    auto it = sourceTags_.find(source);
    return it == sourceTags_.end() ? nullptr : &it->second;
}

const std::vector<Container*>* DataManager::GetChildContainers(const Zel::PString& parentName) const
{
    auto it = childContainers_.find(parentName);
    return it == childContainers_.end() ? nullptr : &it->second;
}

void DataManager::SetAsset(const Zel::PString& rootName, const Zel::File::Path& folder)
{
    ReleaseResourceDatabase(resourceDatabase_);
    resourceDatabase_ = nullptr;
    assetRootName_ = rootName;
    assetFolder_ = folder;
    GetRootFolderOfPath(assetRootName_, assetFolder_);
    if (!assetRootName_.IsEmpty())
        resourceDatabase_ = OpenResourceDatabase(assetRootName_, GetInstallRoot());
}

Zel::File::Path DataManager::GetAssetFullPath() const
{
    Zel::File::Path path = GetRootFolderPath(assetRootName_.c_str());
    path.AddPath(assetFolder_);
    return path;
}

void DataManager::SetConfigFileName(const char* name)
{
    Instance()->configFileName_ = name;
}

void DataManager::SetListFile(const Zel::PString& fileName,
                              const std::vector<std::pair<Zel::PString, Zel::PString>>& pairs)
{
    ListFile list;
    list.fileName = fileName;
    list.pairs = pairs;
    list.Index();
    listFiles_[fileName] = std::move(list);
}

const ListFile* DataManager::FindListFile(const Zel::PString& source) const
{
    if (source.IsEmpty())
        return nullptr;
    auto exact = listFiles_.find(source);
    if (exact != listFiles_.end())
        return &exact->second;
    for (const auto& [name, list] : listFiles_) {
        if (Zel::AsciiEqualIgnoreCase(name.View(), source.View()))
            return &list;
    }
    return nullptr;
}

void DataManager::RemoveTag(Tag* tag)
{
    for (auto& [source, tags] : sourceTags_)
        EraseAll(tags, tag);
    EraseAll(attachmentTags_, tag);
    EraseAll(uniqueAttachmentTags_, tag);
}

void DataManager::RemoveChildContainer(Container* container)
{
    for (auto& [parent, children] : childContainers_)
        EraseAll(children, container);
}

void DataManager::ClearChildContainers()
{
    childContainers_.clear();
}

void DataManager::ClearAttachedTrackList()
{
    childContainers_.erase(Zel::PString("attached-track"));
}

void DataManager::ClearQueuesList()
{
    childContainers_.erase(Zel::PString("queues"));
}

void DataManager::ClearMeshTableList()
{
    childContainers_.erase(Zel::PString("mesh-table"));
}

}  // namespace DODLib
