// Fuzz target: a config of any text upgraded as an old one, then every read and both writers of the result.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "soup_fuzz_walk.h"
#include "templates/dod_config_upgrade.h"
#include "templates/dod_data_manager.h"
#include "templates/dod_error_handler.h"

namespace {

// Every mesh offers the attachment points the upgrade looks for, so its
// name effects and attached tracks are built too.
std::unique_ptr<DODLib::MeshData> MeshWithEveryPoint(const Zel::PString&, bool, DODLib::Container*)
{
    auto mesh = std::make_unique<DODLib::MeshData>();
    mesh->SetInspected(true);
    for (const char* point : {"a.name0", "a.name1", "a.otrack0a", "a.otrack0b", "a.itrack0a", "a.itrack0b", "a.road0a",
                              "a.road0b", "a.track0a", "a.track0b"})
        mesh->AddAttachmentPoint(Zel::PString(point));
    return mesh;
}

// The manager the upgrade asks for: no template data (every tag after a
// description is then a stray), meshes as above; the finding collector every
// validation has, since the meshes' animation loads report to it.
DODLib::DataManager* Manager()
{
    static DODLib::DataManager* manager = [] {
        DODLib::ErrorHandler::Initialise();
        DODLib::DataManager::Initialise("/nonexistent/korvel-fuzz/DODData/");
        DODLib::DataManager::Instance()->SetMeshLoader(MeshWithEveryPoint);
        return DODLib::DataManager::Instance();
    }();
    return manager;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    SoupHandle soup;
    ReadTextSoup(soup, reinterpret_cast<const char*>(data), size, false);
    Manager()->SetBuild(2.001f);
    DODLib::UpgradeOldConfigIfNeeded(soup);
    SoupFuzz::Walk(soup, 0);
    SoupFuzz::WriteAndReload(soup);
    return 0;
}
