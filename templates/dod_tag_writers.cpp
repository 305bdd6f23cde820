// Writing tags back by field type, with the checks each writer runs.
#include <cstdlib>

#include "soup/float_array.h"
#include "kuid/kuid.h"
#include "templates/dod_build_numbers.h"
#include "templates/dod_container.h"
#include "templates/dod_data_manager.h"
#include "templates/dod_error_handler.h"
#include "templates/dod_messages.h"
#include "templates/dod_tag.h"
#include "templates/dod_template_names.h"
#include "templates/dod_validator_tables.h"
#include "zel/ascii.h"
#include "zel/path.h"

namespace DODLib {

namespace {

FloatArray ToFloatArray(const std::vector<float>& values)
{
    FloatArray array;
    for (float value : values)
        array.Add(value);
    return array;
}

int32_t ReadDecimal(const Zel::PString& value)
{
    return int32_t(std::strtol(value.c_str(), nullptr, 10));
}

Zel::PString OwnerName(const Tag& tag)
{
    return tag.owner ? tag.owner->GetName() : Zel::PString("");
}

void ReportAgainst(Tag& tag, const char* key, bool error)
{
    const Zel::PString text = FindingText(key, tag.name.c_str(), OwnerName(tag).c_str());
    if (error)
        ErrorHandler::Instance()->AddError(text, &tag);
    else
        ErrorHandler::Instance()->AddWarning(text, &tag);
}

// The extension rule of a file path: true when the name ends in one of the
// extensions (the dot included, case ignored).
bool HasExtension(std::string_view name, std::initializer_list<const char*> extensions)
{
    for (const char* extension : extensions) {
        const std::string suffix = std::string(".") + extension;
        if (name.size() >= suffix.size() && Zel::AsciiEqualIgnoreCase(name.substr(name.size() - suffix.size()), suffix))
            return true;
    }
    return false;
}

}  // namespace

bool Container::WriteTag(Tag& tag, SoupHandle& out)
{
    switch (tag.fieldType) {
    case FieldFloat:
        return WriteFloatTag(tag, out);
    case FieldString:
        return WriteStringTag(tag, out);
    case FieldInt:
        return WriteIntTag(tag, out);
    case FieldBool:
        return WriteBoolTag(tag, out);
    case FieldVector2:
        return WriteVector2Tag(tag, out);
    case FieldVector3:
        return WriteVector3Tag(tag, out);
    case FieldVector4:
        return WriteVector4Tag(tag, out);
    case FieldVector5:
        return WriteVector5Tag(tag, out);
    case FieldFloatList:
        return WriteFloatListTag(tag, out);
    case FieldCombobox:
        return WriteComboboxTag(tag, out);
    case FieldIntCombobox:
        return WriteIntComboboxTag(tag, out);
    case FieldListbox:
        return WriteListboxTag(tag, out);
    case FieldDoubleString:
        return WriteDoubleStringTag(tag, out);
    case FieldKUID:
        return WriteKUIDTag(tag, out);
    case FieldFilePath:
        return WriteFilePathTag(tag, out);
    case FieldFilePathEdit:
        return WriteFilePathEditTag(tag, out);
    case FieldStringKUID:
        return WriteStringKUIDTag(tag, out);
    case FieldKUIDBrowser:
        return WriteKUIDBrowserTag(tag, out);
    case FieldStringKUIDBrowser:
        return WriteStringKUIDBrowserTag(tag, out);
    default:
        return WriteUntypedTag(tag, out);
    }
}

bool Container::WriteFloatTag(Tag& tag, SoupHandle& out)
{
    const bool passed = tag.RunValidators();
    out.SetNamedTagFloat(tag.name, float(std::atof(tag.value.c_str())));
    return passed;
}

bool Container::WriteIntTag(Tag& tag, SoupHandle& out)
{
    const bool passed = tag.RunValidators();
    out.SetNamedTagInt(tag.name, ReadDecimal(tag.value));
    return passed;
}

bool Container::WriteBoolTag(Tag& tag, SoupHandle& out)
{
    const bool passed = tag.RunValidators();
    out.SetNamedTagInt(tag.name, tag.value == Names().one ? 1 : 0);
    return passed;
}

bool Container::WriteStringTag(Tag& tag, SoupHandle& out)
{
    bool passed = true;
    if (!tag.value.IsEmpty()) {
        passed = tag.RunValidators();
    } else {
        // Sound containers of old builds named their files by bare tags.
        const bool oldSound =
            IsBefore31Untruncated(DataManager::Instance()->GetBuild()) && OwnerName(tag) == Names().sound;
        if (!oldSound) {
            ReportAgainst(tag, "$dod_container_emptystringerr", true);
            passed = false;
        }
    }
    out.SetNamedTag(tag.name, tag.value);
    return passed;
}

bool Container::WriteVectorTag(Tag& tag, SoupHandle& out, int32_t size)
{
    bool passed = tag.RunValidators();
    if (!CheckArraySize(&tag, size))
        passed = false;
    out.SetNamedTagFloatList(tag.name, ToFloatArray(Tag::ParseFloatList(tag.value.View())));
    return passed;
}

bool Container::WriteVector2Tag(Tag& tag, SoupHandle& out)
{
    return WriteVectorTag(tag, out, 2);
}

bool Container::WriteVector3Tag(Tag& tag, SoupHandle& out)
{
    return WriteVectorTag(tag, out, 3);
}

bool Container::WriteVector4Tag(Tag& tag, SoupHandle& out)
{
    return WriteVectorTag(tag, out, 4);
}

bool Container::WriteVector5Tag(Tag& tag, SoupHandle& out)
{
    return WriteVectorTag(tag, out, 5);
}

bool Container::WriteFloatListTag(Tag& tag, SoupHandle& out)
{
    const bool passed = tag.RunValidators();
    out.SetNamedTagFloatList(tag.name, ToFloatArray(Tag::ParseFloatList(tag.value.View())));
    return passed;
}

void Container::ReportChoiceNotOffered(Tag& tag, bool combobox, bool& result)
{
    const TemplateNames& names = Names();
    DataManager* manager = DataManager::Instance();
    ErrorHandler* errors = ErrorHandler::Instance();
    Container* owning = tag.owner;
    result = false;
    if (tag.source == names.attachment && owning && owning->typeName_ == names.meshElement) {
        bool hasParentTag = false;
        for (Tag* parentTag : owning->tags_) {
            if (parentTag->name != names.attParent)
                continue;
            hasParentTag = true;
            if (!owning->owner_)
                continue;
            for (Container* sibling : owning->owner_->children_) {
                MeshData* mesh = sibling->name_ == parentTag->value ? manager->GetMeshFor(sibling) : nullptr;
                if (!mesh)
                    continue;
                errors->AddError(FindingText("$dod_container_notavalidpossibility", tag.value.c_str(),
                                             owning->name_.c_str(), MeshPathForFindings(mesh->GetFilePath()).c_str()),
                                 &tag);
            }
        }
        if (!hasParentTag)
            errors->AddError(FindingText("$dod_container_noattparent", owning->name_.c_str()), &tag);
        return;
    }
    if (combobox && tag.source == names.attachment && owning &&
        (owning->typeName_ == names.effectCorona || owning->typeName_ == names.effectAttachment)) {
        Container* meshOwner = owning->owner_ ? owning->owner_->owner_ : nullptr;
        MeshData* mesh = meshOwner ? manager->GetMeshFor(meshOwner) : nullptr;
        if (mesh) {
            errors->AddError(FindingText("$dod_container_notavalidpossibility", tag.value.c_str(),
                                         owning->name_.c_str(), MeshPathForFindings(mesh->GetFilePath()).c_str()),
                             &tag);
        } else {
            result = true;
        }
        return;
    }
    if (manager->IsMeshFailed() || manager->IsSkipAnimation()) {
        result = true;
        return;
    }
    const std::string path = owning ? owning->ContainerPath() : std::string();
    errors->AddError(
        FindingText("$dod_container_notavalidpossibility2", tag.name.c_str(), tag.value.c_str(), path.c_str()), &tag);
}

bool Container::WriteChoiceTag(Tag& tag, SoupHandle& out, bool combobox)
{
    bool passed = tag.RunValidators();
    if (tag.value.IsEmpty())
        ReportAgainst(tag, combobox ? "$dod_container_emptycombobox" : "$dod_container_emptylistbox", true);
    if (tag.sourceRegistered && !DataManager::Instance()->HasEntryFor(tag.value, tag.source)) {
        bool offered = true;
        ReportChoiceNotOffered(tag, combobox, offered);
        if (!offered)
            passed = false;
    }
    out.SetNamedTag(tag.name, tag.value);
    return passed;
}

bool Container::WriteComboboxTag(Tag& tag, SoupHandle& out)
{
    return WriteChoiceTag(tag, out, true);
}

bool Container::WriteListboxTag(Tag& tag, SoupHandle& out)
{
    return WriteChoiceTag(tag, out, false);
}

bool Container::WriteIntComboboxTag(Tag& tag, SoupHandle& out)
{
    const bool passed = tag.RunValidators();
    if (tag.value.IsEmpty())
        ReportAgainst(tag, "$dod_container_emptycombobox", true);
    out.SetNamedTagInt(tag.name, ReadDecimal(tag.value));
    return passed;
}

bool Container::WriteKUIDTag(Tag& tag, SoupHandle& out)
{
    const bool passed = tag.RunValidators();
    out.SetNamedTagKUID(tag.name, KUID::Parse(tag.value.c_str(), false));
    return passed;
}

bool Container::WriteStringKUIDTag(Tag& tag, SoupHandle& out)
{
    bool passed = tag.RunValidators();
    if (tag.name.IsEmpty()) {
        ReportAgainst(tag, "$dod_container_emptyname", true);
        passed = false;
    }
    tag.name = tag.name.ToLower();
    out.SetNamedTagKUID(tag.name, KUID::Parse(tag.value.c_str(), false));
    return passed;
}

bool Container::WriteDoubleStringTag(Tag& tag, SoupHandle& out)
{
    bool passed = tag.RunValidators();
    if (tag.name.IsEmpty()) {
        ReportAgainst(tag, "$dod_container_emptyname", true);
        passed = false;
    }
    if (tag.value.IsEmpty()) {
        ReportAgainst(tag, "$dod_container_emptystringwarn", false);
        passed = false;
    }
    tag.name = tag.name.ToLower();
    out.SetNamedTag(tag.name, tag.value);
    return passed;
}

bool Container::WriteFilePath(Tag& tag, SoupHandle& out, bool editable)
{
    const TemplateNames& names = Names();
    bool passed = tag.RunValidators();
    if (tag.value.IsEmpty()) {
        ReportAgainst(tag, "$dod_container_emptystringwarn", true);
        passed = false;
    }
    std::string path(tag.value.View());
    for (char& c : path) {
        if (c == '/')
            c = '\\';
    }
    if (tag.datatype == names.meshes) {
        const bool ok = editable ? HasExtension(path, {"im", "lm", "pm", "srt", "txt"})
                                 : HasExtension(path, {"im", "lm", "pm", "srt", "lm.txt"});
        if (!ok)
            ReportAgainst(tag, "$dod_container_nomeshext", true);
    } else if (tag.datatype == names.image) {
        if (!HasExtension(path, {"bmp", "tga", "jpg", "texture", "txt"}))
            ReportAgainst(tag, "$dod_container_nopictureext", true);
    } else if (tag.datatype == names.animation) {
        if (!HasExtension(path, {"kin"}))
            ReportAgainst(tag, "$dod_container_noanimationext", true);
    }
    if (HasExtension(path, {"txt"}))
        path.resize(path.size() - 4);
    out.SetNamedTag(tag.name, path.c_str());
    return passed;
}

bool Container::WriteFilePathTag(Tag& tag, SoupHandle& out)
{
    return WriteFilePath(tag, out, false);
}

bool Container::WriteFilePathEditTag(Tag& tag, SoupHandle& out)
{
    return WriteFilePath(tag, out, true);
}

bool Container::WriteKUIDBrowser(Tag& tag, SoupHandle& out, bool userNamed)
{
    const KUID id = KUID::Parse(tag.value.c_str(), false);
    bool passed = tag.RunValidators();
    if (!CheckKuidReference(&tag))
        passed = false;
    if (userNamed && tag.name.IsEmpty()) {
        ReportAgainst(tag, "$dod_container_emptyname", true);
        passed = false;
    }
    out.SetNamedTagKUID(tag.name, id);
    return passed;
}

bool Container::WriteKUIDBrowserTag(Tag& tag, SoupHandle& out)
{
    return WriteKUIDBrowser(tag, out, false);
}

bool Container::WriteStringKUIDBrowserTag(Tag& tag, SoupHandle& out)
{
    return WriteKUIDBrowser(tag, out, true);
}

bool Container::WriteUntypedTag(Tag& tag, SoupHandle& out)
{
    out.SetNamedTag(tag.name, tag.value);
    return true;
}

}  // namespace DODLib
