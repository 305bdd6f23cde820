// InitApplication: engine start, template data, install paths, daemon connection, interface text.
#include "app/application.h"

#include <cstdio>
#include <string>

#include "foundation/base/blocking_screen.h"
#include "foundation/base/global_data_lock.h"
#include "foundation/base/install_paths.h"
#include "foundation/base/process_values.h"
#include "app/image_plugin_type.h"
#include "interfacetext/interface_text_db.h"
#include "results/results_log.h"
#include "assetdb/kad_client.h"
#include "assetdb/resource_database_builtin.h"
#include "assetdb/net/net_transport.h"
#include "platform/folders.h"
#include "scripthost/korvel_base_spec.h"
#include "templates/dod_data_manager.h"
#include "templates/dod_error_handler.h"
#include "zel/log.h"
#include "zel/os.h"
#include "zel/pstring.h"
#include "zel/rand.h"
#include "zel/render_kernel.h"
#include "zel/resource_system.h"

namespace {

constexpr const char* renderRetryMessage = "Unable to load render kernel. Retrying with -NullRender.";

struct StartupOptions {
    bool noRender = false;
    bool logToStdout = false;
    std::uint8_t clientFlag = 1;
};

void WriteError(const char* text)
{
    std::fprintf(stderr, "%s\n", text);
}

// Every entry, entry 0 included, compared lower-cased. The words stay in the
// table: the dispatcher sees them as ordinary arguments. "-nostartkaddaemon"
// is accepted and, as in the product, changes nothing.
StartupOptions ScanOptionWords(int argumentCount, char** argumentTable)
{
    StartupOptions options;
    for (int i = 0; i < argumentCount; ++i) {
        Zel::PString word = Zel::PString(argumentTable[i]).ToLower();
        if (word.View() == "norender")
            options.noRender = true;
        else if (word.View() == "-zellog")
            options.logToStdout = true;
        else if (word.View() == "-nokadclient")
            options.clientFlag = 0;
    }
    return options;
}

std::string EngineOptionString(const StartupOptions& options)
{
    std::string text = options.noRender ? "-NullRender " : "-render=OpenGL -hidewindow ";
    text += options.logToStdout ? "-LogStdOut " : "-LogFile=/dev/null ";
    return text;
}

// One retry with the null renderer, as the product does for both the OS and
// the render kernel.
template <class Step>
bool RunWithNullRenderRetry(Zel::OS& os, Step step)
{
    if (step())
        return true;
    WriteError(renderRetryMessage);
    os.GetOptions().ProcessRaw("-NullRender");
    return step();
}

bool StartEngine(AppContext& context, const StartupOptions& options)
{
    std::string optionString = EngineOptionString(options);
    context.os = new Zel::OS("KorvelUtil", optionString.c_str());
    context.resourceSystem = new Zel::ResourceSystem();
    context.renderKernel = new Zel::RenderKernel(nullptr, 8.0f);
    GlobalResourceSystem.store(context.resourceSystem);
    GlobalRenderKernel.store(context.renderKernel);

    Zel::OS& os = *context.os;
    if (!RunWithNullRenderRetry(os, [&] { return os.Init(); })) {
        WriteError("- Zel OS initialisation failed.");
        return false;
    }
    Zel::Log::Init(os.GetOptions());
    context.resourceSystem->Init(os.GetOptions());
    Zel::Rand::Randomise();
    if (!RunWithNullRenderRetry(os, [&] { return context.renderKernel->Init(&os, 0); })) {
        WriteError("- Unable to initialize render system");
        return false;
    }
    // The program never gives the wait screen a render target, so a long wait
    // for the data lock only counts its shows; the hook keeps that count true.
    GlobalDataLock::Instance().SetWaitScreenHook(BlockingScreenDataLockStep);
    return true;
}

// Saves the caller's folder and makes the program's folder current, so that
// relative paths (the batch file's too) resolve against it. When the
// caller's folder cannot be read, StartDirectory stays empty and the
// commands that go back to it fail in their usual way.
void EnterProgramFolder(const Zel::File::Path& programFolder)
{
    std::string callerFolder;
    std::size_t length = 0;
    if (Platform::GetCurrentFolder(callerFolder) && callerFolder.size() < StartDirectorySize)
        length = callerFolder.copy(StartDirectory, callerFolder.size());
    StartDirectory[length] = '\0';
    Platform::SetCurrentFolder(programFolder.c_str());
}

void LoadInterfaceText()
{
    std::string language = KADClient::GetSetting(Zel::PString("internet"), Zel::PString("language")).c_str();
    if (language.empty())
        language = "US";
    InterfaceTextDB::ChooseLanguage(language.c_str());
    // Read once, in the language just chosen, by the first lookup: whatever
    // an earlier lookup loaded is dropped. Most commands look nothing up.
    InterfaceTextDB::MarkNotLoaded();
    InterfaceTextDB::PrepareFirstLoad();
    SetResultsLogTextLookup([](const char* tag) { return std::string(GetInterfaceText(tag).c_str()); });
}

void StartDaemonClient(std::uint8_t clientFlag)
{
    KADClientOptions options;
    options.progressCallback = nullptr;
    options.optionByte0 = 1;
    options.optionByte1 = 1;
    options.optionByte2 = 0;
    options.mayStartDaemon = 0;
    options.clientFlag = clientFlag;
    KADClient::Start(options);  // tested at the end, through IsStarted
}

}  // namespace

// main has read the program's path already; start-up reads it again, as the
// product does, and fails without a message when it cannot.
std::uint8_t InitApplication(AppContext& context, const Zel::File::Path& /*programPath*/, int argumentCount,
                             char** argumentTable)
{
    DODLib::ErrorHandler::Initialise();

    Zel::File::Path programFolder;
    if (!GetModuleFolder(programFolder))
        return 255;
    programFolder.Normalize();
    programFolder.DelName();
    EnterProgramFolder(programFolder);

    Zel::File::Path dataFolder = programFolder;
    dataFolder.AddPath("DODData/");
    dataFolder.ReplaceForwardSlashes();
    if (!DODLib::DataManager::Initialise(dataFolder.c_str())) {
        WriteError("- DODLib initialisation failed.");
        return 255;
    }

    StartupOptions options = ScanOptionWords(argumentCount, argumentTable);
    if (!StartEngine(context, options))
        return 255;

    DODLib::DataManager::InstanceUnread()->InitialiseRenderContext(context);
    // With -zellog the registration's lines belong here, before the
    // command's own; otherwise nothing shows it, and it waits for the first
    // mesh check.
    if (options.logToStdout)
        DODLib::DataManager::RegisterKorvelBumpVertexType();
    else
        DODLib::DataManager::RegisterKorvelBumpVertexTypeAtFirstUse();
    NetTransport::Startup();

    Zel::File::Path installRoot = programFolder;
    installRoot.PrevDir();
    InitInstallPaths(installRoot);
    CreateUserFolders();
    OpenBuiltinResourceDatabases();
    RegisterKorvelBaseSpec();

    StartDaemonClient(options.clientFlag);
    SetMainThreadId();

    LoadInterfaceText();
    AcquireImagePluginType();
    StartupCompleteMarker.store(new std::uint8_t(0));
    return KADClient::IsStarted() ? 0 : 255;
}
