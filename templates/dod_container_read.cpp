// Reading a config against its template: the kind's definition, definitions applied to containers, tags and child containers created level by level.
#include <string>

#include "templates/dod_build_numbers.h"
#include "templates/dod_config_upgrade.h"
#include "templates/dod_config_view.h"
#include "templates/dod_container.h"
#include "templates/dod_soup_helpers.h"
#include "templates/dod_data_manager.h"
#include "templates/dod_error_handler.h"
#include "templates/dod_messages.h"
#include "templates/dod_tag.h"
#include "templates/dod_template_names.h"

namespace DODLib {

namespace {

// Smoke settings that a "file" tag makes unnecessary.
bool IsSmokeSetting(const Zel::PString& name)
{
    for (const char* setting : {"lifetime", "maxsize", "minsize", "rate", "velocity"}) {
        if (name == setting)
            return true;
    }
    return false;
}

// Some kinds are read against a more specific template chosen by the config.
Zel::PString TemplateNameForKind(const Zel::PString& kind, const SoupHandle& config, float build)
{
    const TemplateNames& names = Names();
    const Zel::PString lower = kind.ToLower();
    if (lower == "bridge") {
        const float height = config.GetNamedTagAsFloat(names.height, 0.0f);
        if (height < -0.001f)
            return Zel::PString("bridge");
        if (height > 0.001f)
            return Zel::PString("tunnel");
        return Zel::PString("double-track");
    }
    if (lower == "track" && TruncatedBuild(build) <= 289) {
        if (config.HasNamedTag(names.chunkyMesh))
            return Zel::PString("chunky-track");
        if (config.HasNamedTag(names.unitMesh))
            return Zel::PString("mesh-reducing-track");
        return Zel::PString("obsolete-track");
    }
    if (lower == "scenery" && config.HasNamedTag(names.trackside))
        return Zel::PString("scenery-trackside");
    return lower;
}

}  // namespace

bool Container::Validate(const SoupHandle& config)
{
    const TemplateNames& names = Names();
    DataManager* manager = DataManager::Instance();
    ErrorHandler* errors = ErrorHandler::Instance();
    const float build = CheckBuildFromConfigValue(config.GetNamedTagAsFloat(names.korvelBuild, DefaultConfigBuild));
    manager->SetBuild(build);
    // The handle shares the config's tree: the caller sees the upgraded
    // soup. The build of the check stays the one read above.
    SoupHandle upgraded = config;
    UpgradeOldConfigIfNeeded(upgraded);

    const Zel::PString kind = config.GetNamedTag(names.kind);
    if (kind.IsEmpty()) {
        errors->AddError(FindingText("$dod_container_nokindtag"));
        return false;
    }
    const Zel::PString templateName = TemplateNameForKind(kind, config, build);
    const SoupHandle definition = FindKindDefinition(templateName);
    if (!definition.Root()) {
        errors->AddError(FindingText("$dod_container_nokindspecification"));
        return false;
    }

    config_ = config;
    library_ = manager->GetLibrary();
    owner_ = nullptr;
    index_ = 0;
    name_ = templateName;
    typeName_ = templateName;
    topLevel_ = true;
    ApplyDefinition(definition, true);
    BindContainerValidators(definition, this);

    if (config.HasNamedTag(names.alias)) {
        manager->SetSkipAnimation(true);
        errors->AddWarning(FindingText("$dod_container_alias"));
    }
    return ReadSoup(config, definition, this);
}

void Container::AddCompulsoryElement(const SoupHandle& elementDefinition)
{
    compulsoryElements_.push_back(elementDefinition);
}

void Container::AddElementType(const Zel::PString& name, const Zel::PString& typeName)
{
    if (!name.IsEmpty()) {
        for (const Zel::PString& known : elementNames_) {
            if (known == name)
                return;
        }
    }
    elementNames_.push_back(name);
    elementTypes_.push_back(FindDefinition(typeName));
}

void Container::ApplyDefinition(const SoupHandle& definition, bool reading)
{
    const TemplateNames& names = Names();
    const MergedDefinition& merged = MergeInheritance(definition);
    ancestors_.insert(ancestors_.end(), merged.ancestors.begin(), merged.ancestors.end());

    const int32_t count = merged.possibilities.CountTags();
    for (int32_t i = 0; i < count; ++i) {
        const Zel::PString name = merged.possibilities.GetIndexedTagName(i);
        if (name.IsEmpty())
            continue;
        const SoupHandle entry = merged.possibilities.GetIndexedSoup(i);
        const FieldInfo& info = FieldInfoOf(entry);
        const Zel::PString& kind = info.kind;
        const bool compulsory = info.compulsory;
        if (kind == names.element) {
            const Zel::PString& elementType = info.elementType;
            if (compulsory)
                AddCompulsoryElement(FindDefinition(elementType));
            AddElementType(name, elementType);
        } else if (kind == names.value) {
            if (compulsory && reading)
                continue;  // left to ReadSoup, which reports a missing one
            Tag* tag = CreateTag(this, name, entry, nullptr);
            if (!tag)
                continue;
            BindTagValidators(tag, entry);
            if (compulsory)
                AddTag(tag);
            else
                optionalTags_.push_back(tag);
        }
    }
    if (IsRealSoup(merged.tagArray))
        tagArray_ = merged.tagArray;
    const int32_t elements = merged.arrayElements.CountTags();
    for (int32_t i = 0; i < elements; ++i) {
        Zel::PString name;
        Zel::PString value;
        merged.arrayElements.GetIndexedTagText(i, name, value);
        AddElementType(Zel::PString(""), value);
    }
}

Container* Container::CreateChildContainer(const Zel::PString& name, Container* owner, const Zel::PString& typeName,
                                           int32_t index, const SoupHandle& config)
{
    const SoupHandle definition = FindDefinition(typeName);
    if (!definition.Root()) {
        ErrorHandler::Instance()->AddError(FindingText("$dod_container_nocontainerdefinition", typeName.c_str()),
                                           owner);
        return nullptr;
    }
    auto* child = new Container();
    child->name_ = name;
    child->owner_ = owner;
    child->typeName_ = typeName;
    child->index_ = index;
    child->library_ = Top()->library_;
    child->config_ = config;
    child->savingName_ = definition.GetNamedTag(Names().savingname);
    return child;
}

bool Container::ReadSubSoup(const Zel::PString& tagName, const SoupHandle& subSoup, const SoupHandle& definition,
                            const std::vector<SoupHandle>& parents, Container* target, const SoupHandle& config,
                            int32_t& childNumber)
{
    const TemplateNames& names = Names();
    ErrorHandler* errors = ErrorHandler::Instance();
    SoupHandle field;
    bool found = FindSubContainerDefinition(definition, tagName, target, field);
    for (size_t i = 0; !found && i < parents.size(); ++i)
        found = FindSubContainerDefinition(parents[i], tagName, target, field);
    if (!found) {
        if (obsoleteNameSet_.count(tagName.Node()) != 0)
            errors->AddWarning(FindingText("$dod_container_obsoletetag", tagName.c_str(), target->name_.c_str()));
        else
            errors->AddError(FindingText("$dod_container_nodefinition", tagName.c_str(), target->name_.c_str()),
                             target);
        if (tagName == names.cache)
            errors->AddError(FindingText("$dod_container_oldcontainer"));
        return true;
    }

    if (!field.GetNamedTag(names.containerType0).IsEmpty()) {
        const Zel::PString type = SelectContainerType(field, subSoup.GetNamedTag(names.kind));
        Container* child = CreateChildContainer(tagName, target, type, childNumber, config);
        if (!child)
            return false;
        ++childNumber;
        DataManager::Instance()->AddChildContainer(target->name_, child);
        const SoupHandle childDefinition = FindDefinition(type);
        child->ApplyDefinition(childDefinition, true);
        BindContainerValidators(childDefinition, child);
        target->AddChild(child);
        return ReadSoup(subSoup, childDefinition, child);
    }
    if (field.GetNamedTag(names.kind) == names.element) {
        const Zel::PString type = field.GetNamedTag(names.elementType);
        Container* child = CreateChildContainer(tagName, target, type, childNumber, config);
        if (!child)
            return false;
        ++childNumber;
        const SoupHandle elementDefinition = FindDefinition(type);
        const SoupHandle arrayElement = elementDefinition.GetNamedSoup(names.arrayElement);
        const int32_t count = arrayElement.CountTags();
        for (int32_t i = 0; i < count; ++i) {
            const Zel::PString value = arrayElement.GetNamedTag(Zel::PString("container-type" + std::to_string(i)));
            if (!value.IsEmpty())
                child->AddElementType(Zel::PString(""), value);
        }
        const SoupHandle tagArray = elementDefinition.GetNamedSoup(names.tagarray);
        if (IsRealSoup(tagArray))
            child->tagArray_ = tagArray;
        if (elementDefinition.GetNamedSoup(names.subpossibilities).Root())
            child->ApplyDefinition(elementDefinition, true);
        BindContainerValidators(elementDefinition, child);
        target->AddChild(child);
        return ReadSoup(subSoup, elementDefinition, child);
    }
    if (field.GetNamedTag(names.icon) == names.smoke) {
        Container* child = CreateChildContainer(tagName, target, names.smoke, childNumber, config);
        if (!child)
            return false;
        ++childNumber;
        child->ApplyDefinition(field, true);
        BindContainerValidators(field, child);
        target->AddChild(child);
        return ReadSoup(subSoup, field, child);
    }
    errors->AddError(FindingText("$dod_container_errorintemplate", field.GetNamedTag(names.kind).c_str()), target);
    return true;
}

void Container::AddCompulsoryPlaceholders(const std::vector<Zel::PString>& compulsory, const SoupHandle& definition,
                                          const std::vector<SoupHandle>& parents, Container* target,
                                          const ConfigView& config)
{
    for (const Zel::PString& name : compulsory) {
        const SoupHandle field = FieldDefinitionByName(definition, parents, name);
        // A smoke effect drawn from a file needs none of the settings.
        if (IsSmokeSetting(name) && target->FindTag(Names().file))
            continue;
        // A name listed by a definition and by its parent stays in the list
        // once after the config's tag took the first: an identity tag
        // ("kuid", "username") read from the config is not in the tag list
        // yet, and must not be reported missing for that.
        if (target->HasIdentityTag(name))
            continue;
        Tag* tag = CreateTag(target, name, field, &config);
        if (!tag)
            continue;
        BindTagValidators(tag, field);
        ErrorHandler::Instance()->AddWarning(FindingText("$dod_container_missingtag", name.c_str()), tag);
        target->AddTag(tag);
    }
}

bool Container::ReadSoup(const SoupHandle& config, const SoupHandle& definitionIn, Container* target)
{
    std::vector<SoupHandle> parents = DirectParents(definitionIn);
    std::vector<Zel::PString> compulsory = CollectCompulsoryTags(definitionIn);
    for (const SoupHandle& parent : parents) {
        std::vector<Zel::PString> more = CollectCompulsoryTags(parent);
        compulsory.insert(compulsory.end(), more.begin(), more.end());
    }
    const SoupHandle definition = CollectObsoleteTags(definitionIn);
    for (SoupHandle& parent : parents)
        parent = CollectObsoleteTags(parent);

    const ConfigView view(config);
    int32_t childNumber = 0;
    const int32_t count = config.CountTags();
    for (int32_t i = 0; i < count; ++i) {
        Zel::PString name;
        ChunkRef chunk;
        if (!config.Root()->GetIndexedTag(i, name, chunk))
            continue;
        if (chunk && chunk->GetType() == SoupTypeContainer) {
            if (!ReadSubSoup(name, SoupHandle::FromChunk(chunk), definition, parents, target, config, childNumber))
                return false;
            continue;
        }
        for (auto it = compulsory.begin(); it != compulsory.end(); ++it) {
            if (*it == name) {
                compulsory.erase(it);
                break;
            }
        }
        const SoupHandle field = FindFieldDefinition(definition, parents, name);
        Tag* tag = CreateTag(target, name, field, &view);
        if (!tag)
            continue;
        BindTagValidators(tag, field);
        target->AddTag(tag);
    }
    AddCompulsoryPlaceholders(compulsory, definition, parents, target, view);
    MoveIdentityTagsFirst();
    return true;
}

Tag* Container::NewTag(int32_t index, Container* owner, const Zel::PString& name)
{
    auto* tag = new Tag();
    tag->index = index;
    tag->owner = owner;
    tag->name = name;
    return tag;
}

Tag* Container::CreateTag(Container* target, const Zel::PString& name, const SoupHandle& fieldDefinition,
                          const ConfigView* config)
{
    const TemplateNames& names = Names();
    // The first tag of a name wins; identity tags and placeholders are not
    // searched.
    if (target->FindTag(name))
        return nullptr;
    Tag* tag = NewTag(int32_t(target->tags_.size()), target, name);
    const FieldInfo& info = FieldInfoOf(fieldDefinition);
    Zel::PString value = config ? config->GetText(name) : Zel::PString();
    if (value.IsEmpty() && info.hasDefault) {
        value = info.defaultValue;
        if (value == names.parent)
            value = target->name_;
    }
    tag->value = value;
    if (!info.compulsory && config)
        target->RemoveOptionalTag(name);
    ApplyFieldType(*tag, fieldDefinition, config, target);
    return tag;
}

}  // namespace DODLib
