// DispatchCommand: the command table in its fixed order, with each command's argument checks.
#include "app/dispatcher.h"

#include "foundation/base/crash_guard.h"
#include "app/commands.h"
#include "results/results_log.h"
#include "assetdb/kad_client.h"
#include "assetdb/protocol/kad_protocol.h"
#include "kuid/kuid.h"
#include "zel/path.h"
#include "zel/file.h"
#include "zel/pstring.h"

namespace {

using Kind = ResultsLog::MessageKind;

constexpr char MissingAssetID[] = "Missing AssetID parameter.";
constexpr char DaemonStoppedAnswering[] = "The asset database daemon stopped answering.";

// One command line as the rows see it.
struct CommandLine {
    ResultsLog& log;
    AppContext& context;
    int count;
    char** table;
    // Entry 2 interned and lower-cased; null with fewer than three entries.
    Zel::PString argument;

    // A row that needs the argument treats a null or empty one as missing.
    bool HasArgument() const { return !argument.IsEmpty(); }
    // Entry index as typed; null beyond the table.
    char* Raw(int index) const { return index < count ? table[index] : nullptr; }
    // The argument parsed as an asset id, strictly; the null id when absent
    // or malformed.
    KUID ArgumentId() const { return KUID::Parse(argument.IsNull() ? nullptr : argument.c_str(), true); }
    int Fail(const char* message) const
    {
        log.AddMessage(Kind::Error, message);
        return -1;
    }
};

// The installed-version queries answer with bytes of the version and build,
// since an exit status keeps only the low byte.
int RunVersion(CommandLine&)
{
    return CommandVersion();
}
int RunInstalledVersionLo(CommandLine&)
{
    return KADProtocol::Version & 0xFF;
}
int RunInstalledVersionHi(CommandLine&)
{
    return (KADProtocol::Version >> 8) & 0xFF;
}
int RunInstalledBuildNumberLo(CommandLine&)
{
    return KADProtocol::Build & 0xFF;
}
int RunInstalledBuildNumberHi(CommandLine&)
{
    return (KADProtocol::Build >> 8) & 0xFF;
}
int RunEcho(CommandLine& line)
{
    return CommandEcho(line.count, line.table);
}
int RunInstalledVersion(CommandLine&)
{
    return KADProtocol::Version;
}
int RunInstalledBuildNumber(CommandLine&)
{
    return KADProtocol::Build;
}

int RunSetLanguage(CommandLine& line)
{
    if (!line.HasArgument())
        return line.Fail("Missing input langauge id parameter.");
    return CommandSetLanguage(line.log, line.argument);
}

int RunRegisterAccount(CommandLine& line)
{
    return CommandRegisterAccount(line.log, line.Raw(2), line.Raw(3));
}

int RunCloseKADDaemon(CommandLine&)
{
    return CommandCloseKADDaemon();
}

int RunInstallCDP(CommandLine& line)
{
    if (!line.HasArgument())
        return line.Fail("Missing input filepath parameter.");
    return CommandInstallCDP(line.log, line.argument);
}

int RunInstallFromPath(CommandLine& line)
{
    if (!line.HasArgument())
        return line.Fail("Missing input path parameter.");
    if (Zel::File::Exists(line.argument.c_str()) != 0)
        return line.Fail("Invalid input path.");
    return CommandInstallFromPath(line.log, line.argument);
}

int RunInstallFromCHB(CommandLine& line)
{
    KUID id = line.ArgumentId();
    if (id.IsNull())
        return line.Fail(MissingAssetID);
    return CommandInstallFromCHB(line.log, id);
}

int RunImportConsists(CommandLine& line)
{
    if (!line.HasArgument())
        return line.Fail("Missing input path parameter.");
    return CommandImportConsists(line.log, line.argument);
}

// The rows whose only check is that an asset id was given; a malformed id
// reaches the body as the null id, which the daemon does not know.
template <int (*Body)(ResultsLog&, const KUID&)>
int RunWithAssetId(CommandLine& line)
{
    if (!line.HasArgument())
        return line.Fail(MissingAssetID);
    return Body(line.log, line.ArgumentId());
}

int RunCompile(CommandLine& line)
{
    if (!line.HasArgument())
        return line.Fail("Invalid file path.");
    return CommandCompile(line.log, line.count, line.table);
}

int RunKADCommandHost(CommandLine& line)
{
    return CommandKADCommandHost(line.log, line.context);
}

int RunEncrypt(CommandLine& line)
{
    if (!line.HasArgument())
        return line.Fail("Invalid file path.");
    return CommandEncrypt(line.log, line.argument);
}

int RunListBuilds(CommandLine& line)
{
    if (!line.HasArgument())
        return line.Fail("Missing path parameter.");
    return CommandListBuilds(line.log, line.argument);
}

int RunGenerateKUID(CommandLine& line)
{
    return CommandGenerateKUID(line.log);
}
int RunRepairDatabase(CommandLine& line)
{
    return CommandRepairDatabase(line.log, line.argument);
}

int RunCompressTexture(CommandLine& line)
{
    // The message is the asset-id one although the argument is a folder;
    // scripts may match on it.
    if (!line.HasArgument())
        return line.Fail(MissingAssetID);
    return CommandCompressTexture(line.log, line.argument);
}

int RunAuthors(CommandLine& line)
{
    return CommandAuthors(line.log);
}

int RunSearchByCategory(CommandLine& line)
{
    if (line.argument != Zel::PString("-a"))
        return CommandSearchByCategory(line.log, line.argument, false);
    const char* category = line.Raw(3);
    if (category == nullptr || category[0] == '\0')
        return line.Fail("Missing category parameter.");
    return CommandSearchByCategory(line.log, Zel::PString(category), true);
}

int RunCreateCDP(CommandLine& line)
{
    if (!line.HasArgument())
        return line.Fail("Missing output path parameter.");
    const char* outputPath = line.Raw(2);
    if (!Zel::File::Path(outputPath).IsExt("cdp"))
        return line.Fail("The output filename must have a .cdp extension.");
    return CommandCreateCDP(line.log, outputPath, line.count - 3, line.table + 3);
}

int RunCHBParse(CommandLine& line)
{
    if (!line.HasArgument())
        return line.Fail("Missing CDP filepath.");
    return CommandCHBParse(line.log, line.Raw(2));
}

int RunCHBDeleteAll(CommandLine& line)
{
    return CommandCHBDeleteAll(line.log);
}

int RunBackupKeywords(CommandLine& line)
{
    return CommandBackupKeywords(line.log, line.HasArgument() ? line.argument.c_str() : "KeywordsBackup.dat");
}

int RunImportKeywords(CommandLine& line)
{
    return CommandImportKeywords(line.log);
}

#if defined(KORVEL_TEST_HOOKS)
// Test builds only: a real fault and an escaping exception, so tests can
// watch the crash guard end the process.
int RunTestFault(CommandLine&)
{
    TriggerTestFault();
    return -1;
}
int RunTestThrow(CommandLine&)
{
    ThrowTestException();
}
// Holds a batch between two lines while a test changes the world around it;
// the FIFO's path is taken as typed.
int RunTestGate(CommandLine& line)
{
    if (line.Raw(2) == nullptr)
        return line.Fail("Missing gate path.");
    return CommandTestGate(line.log, line.Raw(2));
}
#endif

struct Row {
    const char* word;
    // A row is skipped, as if its word did not match, when the table has
    // fewer entries than this.
    int minimumEntries;
    int (*run)(CommandLine&);
};

// Compared in this order; the first row whose word matches runs.
const Row CommandRows[] = {
    {"version", 0, RunVersion},
    {"installedversionlo", 0, RunInstalledVersionLo},
    {"installedversionhi", 0, RunInstalledVersionHi},
    {"installedbuildnumberlo", 0, RunInstalledBuildNumberLo},
    {"installedbuildnumberhi", 0, RunInstalledBuildNumberHi},
    {"echo", 0, RunEcho},
    {"installedversion", 0, RunInstalledVersion},
    {"installedbuildnumber", 0, RunInstalledBuildNumber},
    {"setlanguage", 0, RunSetLanguage},
    {"registeraccount", 4, RunRegisterAccount},
    {"closekaddaemon", 0, RunCloseKADDaemon},
    {"installcdp", 0, RunInstallCDP},
    {"installfrompath", 0, RunInstallFromPath},
    {"installfromchb", 0, RunInstallFromCHB},
    {"importconsists", 0, RunImportConsists},
    {"edit", 0, RunWithAssetId<CommandEdit>},
    {"printconfig", 0, RunWithAssetId<CommandPrintConfig>},
    {"compile", 0, RunCompile},
    {"kadcommandhost", 0, RunKADCommandHost},
    {"encrypt", 0, RunEncrypt},
    {"listbuilds", 0, RunListBuilds},
    {"commit", 0, RunWithAssetId<CommandCommit>},
    {"revert", 0, RunWithAssetId<CommandRevert>},
    {"delete", 0, RunWithAssetId<CommandDelete>},
    {"generatekuid", 0, RunGenerateKUID},
    {"repairdatabase", 0, RunRepairDatabase},
    {"compresstexture", 0, RunCompressTexture},
    {"authors", 0, RunAuthors},
    {"searchbycategory", 0, RunSearchByCategory},
    {"status", 0, RunWithAssetId<CommandStatus>},
    {"validate", 0, RunWithAssetId<CommandValidate>},
    {"createcdp", 0, RunCreateCDP},
    {"chbparse", 0, RunCHBParse},
    {"chbdeleteall", 0, RunCHBDeleteAll},
    {"backupkeywords", 0, RunBackupKeywords},
    {"importkeywords", 0, RunImportKeywords},
#if defined(KORVEL_TEST_HOOKS)
    {"testfault", 0, RunTestFault},
    {"testthrow", 0, RunTestThrow},
    {"testgate", 0, RunTestGate},
#endif
};

// Interned once: rows are matched by handle identity.
const Zel::PString* RowWords()
{
    static const auto words = [] {
        constexpr size_t count = sizeof(CommandRows) / sizeof(CommandRows[0]);
        auto* interned = new Zel::PString[count];
        for (size_t i = 0; i < count; ++i)
            interned[i] = Zel::PString(CommandRows[i].word);
        return interned;
    }();
    return words;
}

// Each command finds the daemon as a command run on its own does: a batch
// line after the daemon closed or died starts it again. A request lost with
// the daemon fails the command whatever the body made of the empty answer
// (an empty answer reads as "unknown asset", "nothing installed" or "done").
int RunWithDaemonLink(const Row& row, CommandLine& line)
{
    KADClient::EnsureConnected();
    uint64_t lostBefore = KADClient::LostRequestCount();
    int result = row.run(line);
    if (KADClient::LostRequestCount() == lostBefore)
        return result;
    return line.Fail(DaemonStoppedAnswering);
}

Zel::PString LowerCasedEntry(int argumentCount, char** argumentTable, int index)
{
    if (index >= argumentCount || argumentTable[index] == nullptr)
        return Zel::PString();
    return Zel::PStringCache::Create(argumentTable[index]).ToLower();
}

}  // namespace

int DispatchCommand(ResultsLog& log, AppContext& context, int argumentCount, char** argumentTable)
{
    Zel::PString command = LowerCasedEntry(argumentCount, argumentTable, 1);
    CommandLine line{log, context, argumentCount, argumentTable,
                     argumentCount >= 3 ? LowerCasedEntry(argumentCount, argumentTable, 2) : Zel::PString()};
    // A line with no command word (a batch line left empty by an unclosed
    // quote) matches no row.
    if (!command.IsNull()) {
        const Zel::PString* words = RowWords();
        for (size_t i = 0; i < sizeof(CommandRows) / sizeof(CommandRows[0]); ++i) {
            if (command.Node() != words[i].Node() || argumentCount < CommandRows[i].minimumEntries)
                continue;
            return RunWithDaemonLink(CommandRows[i], line);
        }
    }
    return line.Fail("Invalid argument, please check the help for the list of valid argument\n");
}
