// The eleven named tag validators and the array-size check.
#include <algorithm>
#include <cstdlib>
#include <string>

#include "templates/dod_build_numbers.h"
#include "templates/dod_container.h"
#include "templates/dod_data_manager.h"
#include "templates/dod_error_handler.h"
#include "templates/dod_messages.h"
#include "templates/dod_tag.h"
#include "templates/dod_template_names.h"
#include "templates/dod_validator_tables.h"

namespace DODLib {

namespace {

bool Report(Tag* about, const Zel::PString& text)
{
    ErrorHandler::Instance()->AddError(text, about);
    return false;
}

// The numbers of a value for the sign rules; false (after the empty-field
// finding) when there is none to judge.
bool ReadNumbers(Tag& tag, std::vector<float>& numbers)
{
    numbers = Tag::ParseFloatList(tag.value.View());
    if (numbers.empty())
        return Report(&tag, FindingText("$dod_val_emptyfield", tag.name.c_str()));
    return true;
}

// The owner of the owner of the tag's container.
Container* Grandparent(const Tag& tag)
{
    Container* parent = tag.owner ? tag.owner->GetOwner() : nullptr;
    return parent ? parent->GetOwner() : nullptr;
}

}  // namespace

bool ValidateIsTracksideType(Tag& tag, const SoupHandle& /*arguments*/)
{
    const TemplateNames& names = Names();
    Tag* type = tag.owner ? tag.owner->FindTag(names.type) : nullptr;
    if (!type)
        return Report(&tag, FindingText("$dod_val_notype", tag.name.c_str(), "type", "trackside"));
    if (type->value != names.trackside)
        return Report(type, FindingText("$dod_val_wrongtype", "type", "trackside", tag.name.c_str()));
    return true;
}

bool ValidateNeedCollateMeshes(Tag& tag, const SoupHandle& /*arguments*/)
{
    if (tag.owner && tag.owner->FindTag(Names().collateMeshes))
        return true;
    return Report(&tag, FindingText("$dod_val_nocollatemeshes", tag.name.c_str(), "collate-meshes"));
}

// A sign rule over every number of the value: an empty value fails
// silently, a value without numbers fails as empty, and the first number
// that breaks the rule is reported once.
template <class Rule>
bool CheckEveryNumber(Tag& tag, const char* key, Rule breaks)
{
    if (tag.value.IsEmpty())
        return false;
    std::vector<float> numbers;
    if (!ReadNumbers(tag, numbers))
        return false;
    for (float number : numbers) {
        if (breaks(number))
            return Report(&tag, FindingText(key, tag.name.c_str()));
    }
    return true;
}

bool ValidateIsPositive(Tag& tag, const SoupHandle& /*arguments*/)
{
    return CheckEveryNumber(tag, "$dod_val_notpositive", [](float number) { return number < 0.0f; });
}

bool ValidateIsNotZero(Tag& tag, const SoupHandle& /*arguments*/)
{
    return CheckEveryNumber(tag, "$dod_val_notzero", [](float number) { return number == 0.0f; });
}

bool ValidateScriptFileExists(Tag& tag, const SoupHandle& /*arguments*/)
{
    if (tag.value.IsEmpty())
        return false;
    if (tag.value.View().front() == '/' || RootFolderIsPackedDatabase())
        return true;
    Zel::File::Path path = DataManager::Instance()->GetAssetFullPath();
    path.AddPath(tag.value.c_str());
    path.ReplaceForwardSlashes();
    for (const char* extension : {"gse", "gs"}) {
        Zel::File::Path candidate = path;
        candidate.SetExt(extension);
        if (Zel::File::Exists(candidate.c_str()) == 0)
            return true;
    }
    return Report(&tag, FindingText("$dod_val_scriptfiledne", tag.value.c_str()));
}

bool ValidateRange(Tag& tag, const SoupHandle& arguments)
{
    if (tag.value.IsEmpty())
        return false;
    // The bounds of one argument soup are read once: a tag array applies the
    // same range to thousands of tags. The held handle keeps the soup alive,
    // so its address cannot come back as another soup's.
    thread_local SoupHandle boundsOf;
    thread_local float low = 0.0f;
    thread_local float high = 0.0f;
    if (!boundsOf.Root() || boundsOf.Root() != arguments.Root()) {
        boundsOf = arguments;
        low = arguments.GetNamedTagAsFloat(Names().min, 0.0f);
        high = arguments.GetNamedTagAsFloat(Names().max, 0.0f);
    }
    bool inside = true;
    Tag::ForEachFloat(tag.value.View(), [&](float number) { inside = inside && number >= low && number <= high; });
    if (!inside)
        return Report(&tag, FindingText("$dod_val_notwithinrange", tag.name.c_str(), double(low), double(high)));
    return true;
}

bool ValidateArraySize(Tag& tag, const SoupHandle& arguments)
{
    if (!arguments.HasNamedTag(Names().size))
        return false;
    return CheckArraySize(&tag, int(std::strtol(arguments.GetNamedTag(Names().size).c_str(), nullptr, 10)));
}

bool ValidateNotOwnParent(Tag& tag, const SoupHandle& /*arguments*/)
{
    if (tag.owner && tag.value == tag.owner->GetName())
        return Report(&tag, FindingText("$dod_val_notownparent"));
    return true;
}

bool ValidateMustBeOwnParent(Tag& tag, const SoupHandle& /*arguments*/)
{
    Container* grandparent = Grandparent(tag);
    MeshData* mesh = grandparent ? DataManager::Instance()->GetMeshFor(grandparent) : nullptr;
    if (!mesh)
        return false;
    // A mesh this build could not read may hold any point.
    if (!mesh->IsInspected() || mesh->HasAttachmentPoint(tag.value))
        return true;
    std::string file(mesh->GetFilePath().View());
    const size_t folder = DataManager::Instance()->GetAssetFolder().Length();
    file.erase(0, std::min(folder, file.size()));
    return Report(&tag, FindingText("$dod_val_mustbeownparent", tag.value.c_str(), file));
}

bool ValidateMustBeInLightContainer(Tag& tag, const SoupHandle& /*arguments*/)
{
    std::vector<int> lights;
    std::string piece;
    for (char c : tag.value.View()) {
        if (c == ' ' || c == ',') {
            lights.push_back(std::atoi(piece.c_str()));
            piece.clear();
        } else {
            piece += c;
        }
    }
    lights.push_back(std::atoi(piece.c_str()));

    Container* grandparent = Grandparent(tag);
    Container* lightContainer = grandparent ? grandparent->FindChild(Names().lights) : nullptr;
    if (!lightContainer)
        return Report(&tag, FindingText("$dod_val_musthavealightcontainer"));
    bool passed = true;
    for (int light : lights) {
        if (!lightContainer->FindChild(Zel::PString(std::to_string(light)))) {
            ErrorHandler::Instance()->AddError(FindingText("$dod_val_mustbeinlightcontainer", light), &tag);
            passed = false;
        }
    }
    return passed;
}

bool ValidateMustBePaired(Tag& tag, const SoupHandle& arguments)
{
    const TemplateNames& names = Names();
    if (tag.name == names.initialCount && tag.value == names.zero)
        return true;
    const Zel::PString first = arguments.GetNamedTag(names.zero);
    const Zel::PString second = arguments.GetNamedTag(names.one);
    const bool hasFirst = tag.owner && tag.owner->FindTag(first);
    const bool hasSecond = tag.owner && tag.owner->FindTag(second);
    if (!hasFirst)
        Report(&tag, FindingText("$dod_val_mustbepaired", second.c_str(), first.c_str()));
    if (!hasSecond)
        Report(&tag, FindingText("$dod_val_mustbepaired", first.c_str(), second.c_str()));
    return hasFirst && hasSecond;
}

bool CheckArraySize(Tag* tag, int n)
{
    if (!tag || tag->value.IsEmpty())
        return false;
    if (SkipsArraySizeCheck(DataManager::Instance()->GetBuild()))
        return true;
    const std::vector<float> numbers = Tag::ParseFloatList(tag->value.View());
    if (int(numbers.size()) == n)
        return true;
    return Report(tag, FindingText("$dod_val_arraywrongsize", tag->name.c_str(), n, int(numbers.size())));
}

}  // namespace DODLib
