// kadcommandhost: the daemon's worker mode, wired to validation, texture conversion and the main-loop tick.
#include <cstdlib>
#include <string_view>

#include "app/application.h"
#include "app/commands.h"
#include "assetdb/kad_command_host.h"
#include "mesh/texture_conversion.h"
#include "templates/validate_asset_task.h"
#include "zel/file.h"

#ifdef KORVEL_TEST_HOOKS
#include <chrono>
#include <thread>

#include "foundation/base/crash_guard.h"
#endif

namespace {

#ifdef KORVEL_TEST_HOOKS
// Test builds only: end-to-end tests make the host misbehave in the middle of
// a validation question, the way a real validator might. The variable
// reaches the host through the daemon that spawns it.
// KORVEL_TEST_HOST_VALIDATE=stall  never answers (the test kills the host);
// KORVEL_TEST_HOST_VALIDATE=fault  faults on a thread of its own (a dump).
void MisbehaveIfAsked()
{
    const char* how = std::getenv("KORVEL_TEST_HOST_VALIDATE");
    if (!how)
        return;
    if (std::string_view(how) == "fault") {
        std::thread([] {
            InstallThreadAltStack();
            TriggerTestFault();
        }).join();
        return;
    }
    if (std::string_view(how) == "stall")
        for (;;)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
}
#else
void MisbehaveIfAsked() {}
#endif

bool ValidateFolder(const Zel::PString& storeName, const Zel::String& folder, ResultsLog& log)
{
    MisbehaveIfAsked();
    return ValidateAssetTask::RunOnMainThread(storeName, Zel::File::Path(folder.c_str()), log);
}

int32_t ConvertTextures(const Zel::PString& storeName, const Zel::String& folder, ResultsLog& log)
{
    return ConvertFolderTextures(storeName, Zel::File::Path(folder.c_str()), log);
}

}  // namespace

int CommandKADCommandHost(ResultsLog& /*log*/, AppContext& /*context*/)
{
    KADCommandHostServices services = DefaultCommandHostServices();
    services.validateFolder = ValidateFolder;
    services.convertTextures = ConvertTextures;
    services.tickMainLoop = TickMainLoop;
    SetCommandHostServices(std::move(services));
    // Each question's lines go back to the daemon in its answer; the command
    // itself has nothing to report and always ends with 0.
    RunCommandHost();
    return 0;
}
