// Template containers: construction, destruction, the tag and child lists, running the container validators.
#include "templates/dod_container.h"

#include <algorithm>
#include <atomic>

#include "templates/dod_container_state.h"
#include "templates/dod_data_manager.h"
#include "templates/dod_error_handler.h"
#include "templates/dod_library_cache.h"
#include "templates/dod_tag.h"
#include "templates/dod_template_names.h"
#include "templates/dod_validator_tables.h"
#include "zel/ascii.h"

namespace DODLib {

namespace {
std::atomic<int64_t> liveContainers{0};
}

Container::Container()
{
    ++liveContainers;
}

Container::~Container()
{
    extensions_.reset();
    if (ErrorHandler* errors = ErrorHandler::Instance())
        errors->RemoveContainerRecord(this);
    DataManager* manager = DataManager::Exists() ? DataManager::Instance() : nullptr;
    if (manager)
        manager->RemoveContainerMesh(this);
    for (std::vector<Tag*>* list : {&tags_, &identityTags_, &optionalTags_}) {
        for (Tag* tag : *list)
            delete tag;
        list->clear();
    }
    if (manager) {
        // The whole tree goes: forgetting every registration at once spares
        // each of thousands of children a walk of the lists.
        if (topLevel_ && !owner_)
            manager->ClearChildContainers();
        else
            manager->RemoveChildContainer(this);
    }
    for (Container*& child : children_) {
        // Cleared first, so the child finds nothing to unlink.
        Container* doomed = child;
        child = nullptr;
        doomed->owner_ = nullptr;
        delete doomed;
    }
    children_.clear();
    if (owner_) {
        auto& siblings = owner_->children_;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    } else if (topLevel_ && manager) {
        manager->ReleaseLoadedMeshes();
        manager->ClearMeshTableList();
        manager->ClearAttachedTrackList();
        manager->ClearQueuesList();
    }
    --liveContainers;
}

int64_t Container::LiveCount()
{
    return liveContainers.load();
}

Container::ValidationState& Container::State()
{
    Container* top = Top();
    if (!top->state_)
        top->state_ = std::make_unique<ValidationState>();
    return *top->state_;
}

Container::FieldInfo* Container::LibraryFieldInfoSlot(const SoupHandle& definition, bool& fresh)
{
    // A validation that copied definitions for its build reads copied
    // entries, new chunks each time: those stay with the validation.
    if (!State().copies.empty())
        return nullptr;
    static LibraryCache<FieldInfo> cache;
    return &cache.Slot(DataManager::Instance()->GetLibrary(), definition, fresh);
}

const Container::FieldInfo& Container::FieldInfoOf(const SoupHandle& definition)
{
    bool fresh = false;
    FieldInfo* slot = LibraryFieldInfoSlot(definition, fresh);
    if (slot == nullptr) {
        auto [it, inserted] = State().fields.try_emplace(definition.Root().Get());
        slot = &it->second;
        fresh = inserted;
    }
    if (!fresh)
        return *slot;
    const TemplateNames& names = Names();
    FieldInfo& info = *slot;
    info.type = FieldTypeFromName(definition.GetNamedTag(names.type));
    info.kind = definition.GetNamedTag(names.kind);
    info.elementType = definition.GetNamedTag(names.elementType);
    info.compulsory = definition.GetNamedTagAsInt(names.compulsory, 0) != 0;
    info.disabled = definition.GetNamedTagAsInt(names.disabled, 0) != 0;
    info.hasDefault = definition.HasNamedTag(names.defaultValue);
    if (info.hasDefault)
        info.defaultValue = definition.GetNamedTag(names.defaultValue);
    info.validators = NamedTagValidators(definition);
    return info;
}

void Container::BindTagValidators(Tag* tag, const SoupHandle& definition)
{
    for (const auto& [validator, arguments] : FieldInfoOf(definition).validators)
        tag->AddValidator(validator, arguments);
}

Container* Container::Top()
{
    Container* top = this;
    while (top->owner_)
        top = top->owner_;
    return top;
}

void Container::AddTag(Tag* tag)
{
    const std::string_view name = tag->name.View();
    if (Zel::AsciiEqualIgnoreCase(name, "kuid") || Zel::AsciiEqualIgnoreCase(name, "username")) {
        identityTags_.push_back(tag);
        return;
    }
    tags_.push_back(tag);
    IndexTagName(tag);
}

void Container::IndexTagName(const Tag* tag)
{
    if (tags_.size() < IndexedTagCount)
        return;
    if (tagNames_.Empty()) {
        for (const Tag* known : tags_)
            tagNames_.Insert(known->name.Node());
    }
    tagNames_.Insert(tag->name.Node());
}

Tag* Container::FindTag(const Zel::PString& name) const
{
    if (!tagNames_.Empty() && !tagNames_.Contains(name.Node()))
        return nullptr;
    for (Tag* tag : tags_) {
        if (tag->name == name)
            return tag;
    }
    return nullptr;
}

bool Container::HasIdentityTag(const Zel::PString& name) const
{
    for (const Tag* tag : identityTags_) {
        if (tag->name == name)
            return true;
    }
    return false;
}

Container* Container::FindChild(const Zel::PString& name) const
{
    for (Container* child : children_) {
        if (child->name_ == name)
            return child;
    }
    return nullptr;
}

void Container::AddChild(Container* child)
{
    children_.push_back(child);
}

void Container::RemoveOptionalTag(const Zel::PString& name)
{
    for (auto it = optionalTags_.begin(); it != optionalTags_.end(); ++it) {
        if ((*it)->name == name) {
            Tag* doomed = *it;
            optionalTags_.erase(it);
            delete doomed;
            return;
        }
    }
}

void Container::SetExtensions(const SoupHandle& soup)
{
    extensions_ = std::make_unique<SoupHandle>();
    extensions_->Copy(soup);
}

void Container::AddContainerValidator(ContainerValidator validator, const SoupHandle& arguments)
{
    validators_.push_back(validator);
    validatorArguments_.push_back(arguments);
}

bool Container::RunContainerValidators()
{
    bool passed = true;
    for (size_t i = 0; i < validators_.size(); ++i) {
        if (!validators_[i](*this, validatorArguments_[i]))
            passed = false;
    }
    return passed;
}

void Container::MoveIdentityTagsFirst()
{
    if (identityTags_.empty())
        return;
    tags_.insert(tags_.begin(), identityTags_.begin(), identityTags_.end());
    for (Tag* tag : identityTags_)
        IndexTagName(tag);
    identityTags_.clear();
}

std::string Container::ContainerPath() const
{
    std::vector<const Container*> chain;
    for (const Container* level = this; level && level->owner_; level = level->owner_)
        chain.push_back(level);
    std::string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (!path.empty())
            path += '\\';
        path += (*it)->name_.View();
    }
    return path;
}

}  // namespace DODLib
