// The four named container validators: unique names, the texture file, and the mesh table's shadow and visible mesh.
#include <unordered_map>

#include "foundation/base/install_paths.h"
#include "templates/dod_container.h"
#include "templates/dod_data_manager.h"
#include "templates/dod_error_handler.h"
#include "templates/dod_messages.h"
#include "templates/dod_tag.h"
#include "templates/dod_template_names.h"
#include "templates/dod_validator_tables.h"

namespace DODLib {

namespace {

// True when the asset's root folder is a packed resource database: its files
// cannot be looked at one by one, so the file checks pass.
bool RootIsPackedDatabase()
{
    DataManager* manager = DataManager::Instance();
    Zel::File::Path packed = GetRootFolderPath(manager->GetAssetRootName().c_str());
    if (packed.IsEmpty())
        return false;
    packed.DelSlash();
    const std::string path = packed.Str() + ".ja";
    return Zel::File::Exists(path.c_str()) == 0;
}

}  // namespace

bool RootFolderIsPackedDatabase()
{
    return RootIsPackedDatabase();
}

bool ValidateUniqueNames(Container& container, const SoupHandle& /*arguments*/)
{
    ErrorHandler* errors = ErrorHandler::Instance();
    bool passed = true;
    // Every later holder of a name already seen is reported: three children
    // named alike give two findings.
    std::unordered_map<const void*, int> seen;
    for (Container* child : container.GetChildren()) {
        if (seen[child->GetName().Node()]++ == 0)
            continue;
        errors->AddError(
            FindingText("$dod_val_duplicatecontainername", child->GetName().c_str(), container.GetName().c_str()),
            child);
        passed = false;
    }
    seen.clear();
    for (Tag* tag : container.GetTags()) {
        if (seen[tag->name.Node()]++ == 0)
            continue;
        errors->AddError(FindingText("$dod_val_duplicatetagname", tag->name.c_str(), container.GetName().c_str()), tag);
        passed = false;
    }
    return passed;
}

bool ValidateHasValidTextureFile(Container& container, const SoupHandle& /*arguments*/)
{
    if (RootIsPackedDatabase())
        return true;
    const TemplateNames& names = Names();
    for (Tag* tag : container.GetTags()) {
        if (tag->name != names.texture && tag->name != names.assetFilename)
            continue;
        Zel::File::Path path = DataManager::Instance()->GetAssetFullPath();
        path.AddPath(tag->value.c_str());
        path.ReplaceForwardSlashes();
        Zel::File::Path compiled = path;
        compiled.SetExt("texture");
        Zel::File::Path source = path;
        source.SetExt("texture.txt");
        if (Zel::File::Exists(compiled.c_str()) == 0 || Zel::File::Exists(source.c_str()) == 0)
            return true;
        ErrorHandler::Instance()->AddError(FindingText("$dod_val_texturefiledne", tag->value.c_str()), tag);
        return false;
    }
    ErrorHandler::Instance()->AddError(FindingText("$dod_val_texturefilenotspecified"));
    return false;
}

bool ValidateMeshTableHasShadow(Container& container, const SoupHandle& /*arguments*/)
{
    if (!container.IsTopLevel())
        return true;
    Container* meshTable = container.FindChild(Names().meshTable);
    if (!meshTable || meshTable->FindChild(Names().shadow))
        return true;
    ErrorHandler::Instance()->AddWarning(FindingText("$dod_val_shadow_missing"), &container);
    return false;
}

bool ValidateMeshTableHasVisibleMesh(Container& container, const SoupHandle& /*arguments*/)
{
    if (!container.IsTopLevel())
        return true;
    Container* meshTable = container.FindChild(Names().meshTable);
    if (!meshTable)
        return true;
    for (Container* mesh : meshTable->GetChildren()) {
        Tag* autoCreate = mesh->FindTag(Names().autoCreate);
        if (autoCreate && autoCreate->value != Names().zero)
            return true;
    }
    ErrorHandler::Instance()->AddWarning(FindingText("$dod_val_no_visible_mesh"), &container);
    return false;
}

}  // namespace DODLib
