// What a new tag's field type does to it: options, personal-detail defaults, values no list allows, tags without definition.
#include "templates/dod_build_numbers.h"
#include "templates/dod_config_view.h"
#include "templates/dod_container.h"
#include "templates/dod_soup_helpers.h"
#include "templates/dod_data_manager.h"
#include "templates/dod_error_handler.h"
#include "templates/dod_messages.h"
#include "templates/dod_tag.h"
#include "templates/dod_template_names.h"
#include "kuid/kuid.h"

namespace DODLib {

namespace {

// The personal detail that a new config's field of this name defaults to.
const Zel::PString* PersonalDefault(const Zel::PString& name, PersonalDetails& details)
{
    if (name == "license")
        return &details.license;
    if (name == "author")
        return &details.author;
    if (name == "contact-email")
        return &details.email;
    if (name == "contact-website" || name == "website")
        return &details.website;
    if (name == "organisation")
        return &details.organisation;
    return nullptr;
}

bool IsCommentTag(const Zel::PString& name)
{
    return name == "!" || name == "rem" || name == ";";
}

}  // namespace

bool Container::ApplyFieldType(Tag& tag, const SoupHandle& definition, const ConfigView* config, Container* target)
{
    const TemplateNames& names = Names();
    DataManager* manager = DataManager::Instance();
    ErrorHandler* errors = ErrorHandler::Instance();
    const FieldInfo& info = FieldInfoOf(definition);
    tag.definition = definition;
    tag.fieldType = info.type;

    switch (tag.fieldType) {
    case FieldString:
        if (!config) {
            if (const Zel::PString* detail = PersonalDefault(tag.name, manager->GetPersonalDetails()))
                tag.value = *detail;
        }
        tag.disabled = info.disabled;
        if (definition.HasNamedTag(names.filter))
            tag.filter = definition.GetNamedTag(names.filter);
        break;
    case FieldInt:
    case FieldFloat:
        tag.disabled = info.disabled;
        break;
    case FieldBool:
        if (!tag.value.IsEmpty() && tag.value != names.zero && tag.value != names.one)
            errors->AddWarning(FindingText("$dod_container_notboolean", tag.name.c_str(), target->name_.c_str()), &tag);
        break;
    case FieldListbox:
        if (!tag.value.IsEmpty() && !IsListboxValue(tag.value, definition))
            tag.value = Zel::PString("");
        break;
    case FieldCombobox: {
        const Zel::PString source = definition.GetNamedTag(names.source);
        if (source == names.attachment) {
            if (definition.GetNamedTagAsInt(names.unique, 0) != 0)
                manager->AddUniqueAttachmentTag(&tag);
            else
                manager->AddAttachmentTag(&tag);
            tag.source = names.attachment;
            tag.sourceRegistered = true;
        } else if (source == names.meshTable || source == names.attachedTrack || source == names.queues) {
            manager->AddSourceTag(source, &tag);
            tag.source = source;
            tag.sourceRegistered = true;
        } else if (!tag.value.IsEmpty() && !IsComboboxValue(tag.value, definition)) {
            tag.value = Zel::PString("");
        }
        break;
    }
    case FieldIntCombobox:
        if (!tag.value.IsEmpty() && !IsIntComboboxValue(tag.value, definition))
            tag.value = Zel::PString("");
        break;
    case FieldKUID:
        if (tag.value.IsEmpty())
            tag.value = NullKUID.ToTagString();
        break;
    case FieldFilePath:
    case FieldFilePathEdit:
        tag.datatype = definition.GetNamedTag(names.datatype);
        tag.isFile = true;
        if (tag.name != names.script) {
            if (config && config->Has(names.meshAsset)) {
                manager->SetSkipAnimation(true);
            } else {
                Zel::File::Path file = manager->GetAssetFolder();
                file.AddPath(tag.value.c_str());
                if (MeshData* mesh = manager->CheckMeshFile(Zel::PString(file.Str()), target))
                    target->meshData_ = mesh;
            }
        }
        break;
    case FieldKUIDBrowser:
        tag.category = definition.GetNamedTag(names.category);
        tag.filter = definition.GetNamedTag(names.filter);
        break;
    case FieldUntyped: {
        const float build = manager->GetBuild();
        if (IsCommentTag(tag.name) && AllowsCommentTags(build))
            break;
        const Container* top = target->Top();
        const bool obsolete = top->obsoleteNameSet_.count(tag.name.Node()) != 0 ||
                              StartsWith(tag.name.View(), "category-region-") ||
                              StartsWith(tag.name.View(), "category-era-");
        if (obsolete) {
            const Zel::PString text =
                FindingText("$dod_container_obsoletetag", tag.name.c_str(), target->name_.c_str());
            if (TruncatedBuild(build) >= 290)
                errors->AddError(text, &tag);
            else
                errors->AddWarning(text, &tag);
        } else {
            errors->AddError(FindingText("$dod_container_nodefinition", tag.name.c_str(), target->name_.c_str()), &tag);
        }
        break;
    }
    default:
        break;
    }
    return true;
}

bool Container::IsComboboxValue(const Zel::PString& value, const SoupHandle& definition)
{
    const ListFile* list = DataManager::Instance()->FindListFile(definition.GetNamedTag(Names().source));
    return list && !value.IsEmpty() && list->HasKey(value.View());
}

bool Container::IsIntComboboxValue(const Zel::PString& value, const SoupHandle& definition)
{
    return IsComboboxValue(value, definition);
}

bool Container::IsListboxValue(const Zel::PString& value, const SoupHandle& definition)
{
    const ListFile* list = DataManager::Instance()->FindListFile(definition.GetNamedTag(Names().source));
    if (!list)
        return false;
    std::string_view rest = value.View();
    for (;;) {
        const size_t semicolon = rest.find(';');
        if (list->HasKey(rest.substr(0, semicolon)))
            return true;
        if (semicolon == std::string_view::npos)
            return false;
        rest.remove_prefix(semicolon + 1);
    }
}

}  // namespace DODLib
