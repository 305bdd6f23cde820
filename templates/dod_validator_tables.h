// The two tables of named validators: container checks and tag checks by name.
#pragma once

#include <vector>

#include "templates/dod_container.h"
#include "templates/dod_tag.h"
#include "zel/pstring.h"

namespace DODLib {

// The function of a name (exact, case-sensitive), or null.
ContainerValidator FindContainerValidator(const Zel::PString& name);
TagValidator FindTagValidator(const Zel::PString& name);
// The tag validators a field definition's "validation" names, in order,
// with their argument soups; names no table row has are left out.
std::vector<std::pair<TagValidator, SoupHandle>> NamedTagValidators(const SoupHandle& fieldDefinition);

// The names in table order.
std::vector<Zel::PString> ContainerValidatorNames();
std::vector<Zel::PString> TagValidatorNames();

// Container validators.
bool ValidateUniqueNames(Container& container, const SoupHandle& arguments);
bool ValidateHasValidTextureFile(Container& container, const SoupHandle& arguments);
bool ValidateMeshTableHasShadow(Container& container, const SoupHandle& arguments);
bool ValidateMeshTableHasVisibleMesh(Container& container, const SoupHandle& arguments);

// Tag validators.
bool ValidateIsTracksideType(Tag& tag, const SoupHandle& arguments);
bool ValidateNeedCollateMeshes(Tag& tag, const SoupHandle& arguments);
bool ValidateIsPositive(Tag& tag, const SoupHandle& arguments);
bool ValidateIsNotZero(Tag& tag, const SoupHandle& arguments);
bool ValidateScriptFileExists(Tag& tag, const SoupHandle& arguments);
bool ValidateRange(Tag& tag, const SoupHandle& arguments);
bool ValidateArraySize(Tag& tag, const SoupHandle& arguments);
bool ValidateNotOwnParent(Tag& tag, const SoupHandle& arguments);
bool ValidateMustBeOwnParent(Tag& tag, const SoupHandle& arguments);
bool ValidateMustBeInLightContainer(Tag& tag, const SoupHandle& arguments);
bool ValidateMustBePaired(Tag& tag, const SoupHandle& arguments);

// True when the asset's root folder is a packed resource database (a ".ja"
// file beside where the folder would be); file checks then pass.
bool RootFolderIsPackedDatabase();

// The value of the tag must hold exactly n numbers (not checked before
// build 2.89); false with a finding otherwise, false silently when empty.
bool CheckArraySize(Tag* tag, int n);
// The asset a KUID field names must be known, local and of the field's
// category; findings against the tag.
bool CheckKuidReference(Tag* tag);

}  // namespace DODLib
