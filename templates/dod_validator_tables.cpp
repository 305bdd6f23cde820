// The validator tables, filled before the program starts.
#include "templates/dod_validator_tables.h"

#include "templates/dod_template_names.h"

namespace DODLib {

namespace {

struct ContainerRow {
    const char* name;
    ContainerValidator check;
};

struct TagRow {
    const char* name;
    TagValidator check;
};

constexpr ContainerRow ContainerRows[] = {
    {"uniquenames", ValidateUniqueNames},
    {"hasvalidtexturefile", ValidateHasValidTextureFile},
    {"meshtablehasshadow", ValidateMeshTableHasShadow},
    {"meshtablehasvisiblemesh", ValidateMeshTableHasVisibleMesh},
};

constexpr TagRow TagRows[] = {
    {"istracksidetype", ValidateIsTracksideType},
    {"needcollatemeshes", ValidateNeedCollateMeshes},
    {"ispositive", ValidateIsPositive},
    {"isnotzero", ValidateIsNotZero},
    {"scriptfileexists", ValidateScriptFileExists},
    {"range", ValidateRange},
    {"arraysize", ValidateArraySize},
    {"notownparent", ValidateNotOwnParent},
    {"mustbeownparent", ValidateMustBeOwnParent},
    {"mustbeinlightcontainer", ValidateMustBeInLightContainer},
    {"mustbepaired", ValidateMustBePaired},
};

}  // namespace

ContainerValidator FindContainerValidator(const Zel::PString& name)
{
    for (const ContainerRow& row : ContainerRows) {
        if (name == row.name)
            return row.check;
    }
    return nullptr;
}

TagValidator FindTagValidator(const Zel::PString& name)
{
    for (const TagRow& row : TagRows) {
        if (name == row.name)
            return row.check;
    }
    return nullptr;
}

std::vector<std::pair<TagValidator, SoupHandle>> NamedTagValidators(const SoupHandle& fieldDefinition)
{
    std::vector<std::pair<TagValidator, SoupHandle>> bound;
    const SoupHandle validation = fieldDefinition.GetNamedSoup(Names().validation);
    const int32_t count = validation.CountTags();
    for (int32_t i = 0; i < count; ++i) {
        Zel::PString validatorName;
        ChunkRef arguments;
        if (!validation.Root()->GetIndexedTag(i, validatorName, arguments))
            continue;
        if (TagValidator validator = FindTagValidator(validatorName))
            bound.emplace_back(validator, SoupHandle::FromChunk(arguments));
    }
    return bound;
}

std::vector<Zel::PString> ContainerValidatorNames()
{
    std::vector<Zel::PString> names;
    for (const ContainerRow& row : ContainerRows)
        names.push_back(Zel::PString(row.name));
    return names;
}

std::vector<Zel::PString> TagValidatorNames()
{
    std::vector<Zel::PString> names;
    for (const TagRow& row : TagRows)
        names.push_back(Zel::PString(row.name));
    return names;
}

}  // namespace DODLib
