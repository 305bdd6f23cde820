// ShutdownApplication: takes down what start-up created, skipping what never existed.
#include "app/application.h"

#include "foundation/base/install_paths.h"
#include "foundation/base/job_dispatcher.h"
#include "foundation/base/process_values.h"
#include "app/image_plugin_type.h"
#include "assetdb/kad_client.h"
#include "assetdb/resource_database.h"
#include "assetdb/resource_database_builtin.h"
#include "assetdb/net/net_transport.h"
#include "templates/dod_data_manager.h"
#include "templates/dod_error_handler.h"
#include "zel/os.h"
#include "zel/render_kernel.h"
#include "zel/resource_system.h"

bool ShutdownApplication(AppContext& context)
{
    // Workers first, so no job runs against a client that is going away;
    // queued jobs are cancelled only after the client stopped posting them.
    JobDispatcher::Instance().Stop();
    ReleaseImagePluginType();
    KADClient::Shutdown();
    JobDispatcher::Instance().CancelJobs(0, false);

    delete StartupCompleteMarker.exchange(nullptr);

    DODLib::DataManager::ReleaseBumpVertexTypes();
    DODLib::DataManager::Shutdown();
    DODLib::ErrorHandler::Shutdown();

    ReleaseBuiltinResourceDatabases();
    ResetResourceDatabases();
    NetTransport::Shutdown();
    PurgeResourceDatabases();

    delete context.renderKernel;
    context.renderKernel = nullptr;
    GlobalRenderKernel.store(nullptr);
    delete context.resourceSystem;
    context.resourceSystem = nullptr;
    GlobalResourceSystem.store(nullptr);
    delete context.os;
    context.os = nullptr;
    return false;
}
