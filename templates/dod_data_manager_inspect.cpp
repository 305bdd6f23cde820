// The data manager's quiet mesh loading, for code that reads a mesh's attachment points outside the checks.
#include <vector>

#include "templates/dod_data_manager.h"
#include "templates/dod_error_handler.h"

namespace DODLib {

std::unique_ptr<MeshData> DataManager::InspectMesh(const Zel::PString& fileInAssetFolder)
{
    Zel::File::Path file = assetFolder_;
    file.AddPath(fileInAssetFolder.c_str());
    // The loader reports its failures as findings of the asset; a mesh read
    // only to learn its attachment points must not leave any.
    ErrorHandler* errors = ErrorHandler::Instance();
    std::vector<ErrorRecord> before;
    if (errors)
        before = errors->GetRecords();
    const bool failedBefore = meshFailed_;
    std::unique_ptr<MeshData> mesh = LoadMesh(Zel::PString(file.Str()), false, nullptr);
    meshFailed_ = failedBefore;
    if (errors && errors->GetRecords().size() != before.size())
        errors->SetRecords(before);
    return mesh;
}

}  // namespace DODLib
