// Moving an old asset's fixed-name files to names of its own; only while the data manager renames legacy files.
#include "foundation/base/install_paths.h"
#include "templates/dod_config_upgrade_steps.h"
#include "templates/dod_data_manager.h"
#include "zel/file.h"

namespace DODLib {
namespace ConfigUpgrade {

namespace {

void MoveInAssetFolder(const Zel::PString& from, const Zel::PString& to)
{
    DataManager* manager = DataManager::Instance();
    // Checks only read: the asset's files change only when renaming is on,
    // and nothing in this program turns it on.
    if (!manager->RenamesLegacyFiles())
        return;
    const Zel::File::Path folder = manager->GetAssetFullPath();
    Zel::File::Path source = folder;
    source.AddPath(from.c_str());
    Zel::File::Path target = folder;
    target.AddPath(to.c_str());
    if (Zel::File::Exists(source.c_str()) == 0)
        Zel::File::Rename(source.c_str(), target.c_str());
}

}  // namespace

void RenameAssetFile(const Zel::PString& from, const Zel::PString& to)
{
    MoveInAssetFolder(from, to);
}

// Folders are moved like files; they too are named relative to the asset's
// folder (a bare name would otherwise be taken relative to wherever the
// process happens to run).
void RenameIfExists(const Zel::PString& from, const Zel::PString& to)
{
    MoveInAssetFolder(from, to);
}

}  // namespace ConfigUpgrade
}  // namespace DODLib
