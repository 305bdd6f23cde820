// The template data manager: created and bound at start-up; the template library itself is not built yet.
#include "templates/dod_data_manager.h"

#include "foundation/base/app_context.h"
#include "foundation/base/logging.h"

namespace DODLib {

namespace {
DataManager* dataManager = nullptr;
}

bool DataManager::Initialise(const char* dataFolder)
{
    if (!dataManager)
        dataManager = new DataManager(dataFolder);
    return true;
}

DataManager* DataManager::Instance()
{
    if (!dataManager)
        FatalError("DataManager::Instance> datamanger not initialised");
    if (!dataManager->setUp_)
        dataManager->SetUpOnFirstUse();
    return dataManager;
}

void DataManager::Shutdown()
{
    delete dataManager;
    dataManager = nullptr;
}

void DataManager::SetUpOnFirstUse()
{
    setUp_ = true;
    // The template files and personal details are read here once the
    // template library exists.
    LogMessage("DataManager::Instance> no template library in this build; templates of '%s' not loaded",
               dataFolder_.c_str());
}

bool DataManager::InitialiseRenderContext(AppContext& context)
{
    context_ = &context;
    return true;
}

void DataManager::RegisterKorvelBumpVertexType()
{
    if (!dataManager)
        return;
    // No material plug-ins exist yet, so there is no dummy material to load.
}

void DataManager::ReleaseBumpVertexTypes() {}

}  // namespace DODLib
