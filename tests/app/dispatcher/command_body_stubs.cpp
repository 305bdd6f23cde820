// Stand-ins for the command bodies that need the daemon's libraries: each records its call in the fake's log and succeeds.
#include <string>

#include "app/commands.h"
#include "fake_kad_client.h"
#include "kuid/kuid.h"

// Each call is recorded as "Name(arg,arg)" with the arguments the dispatcher
// passed: texts as given ("(null)" for a null one), ids in their tag form,
// argument tables as their count followed by their entries. The log itself
// and the application context are not recorded.

namespace {

std::string Text(const char* text)
{
    return text != nullptr ? text : "(null)";
}
std::string Text(const Zel::PString& text)
{
    return text.IsNull() ? "(null)" : text.c_str();
}
std::string Text(const KUID& id)
{
    return id.ToTagString().c_str();
}
std::string Text(bool flag)
{
    return flag ? "true" : "false";
}

std::string Table(int count, char** table)
{
    std::string text = std::to_string(count);
    for (int i = 0; i < count; ++i)
        text += "," + Text(table[i]);
    return text;
}

int Record(const char* name, const std::string& arguments = std::string())
{
    FakeKADClientCalls().push_back(std::string(name) + "(" + arguments + ")");
    return 0;
}

}  // namespace

int CommandInstallCDP(ResultsLog&, const Zel::PString& archivePath)
{
    return Record("CommandInstallCDP", Text(archivePath));
}

int CommandInstallFromPath(ResultsLog&, const Zel::PString& folderPath)
{
    return Record("CommandInstallFromPath", Text(folderPath));
}

int CommandInstallFromCHB(ResultsLog&, const KUID& id)
{
    return Record("CommandInstallFromCHB", Text(id));
}

int CommandImportConsists(ResultsLog&, const Zel::PString& filePath)
{
    return Record("CommandImportConsists", Text(filePath));
}

int CommandEdit(ResultsLog&, const KUID& id)
{
    return Record("CommandEdit", Text(id));
}
int CommandPrintConfig(ResultsLog&, const KUID& id)
{
    return Record("CommandPrintConfig", Text(id));
}

int CommandCompile(ResultsLog&, int argumentCount, char** argumentTable)
{
    return Record("CommandCompile", Table(argumentCount, argumentTable));
}

int CommandKADCommandHost(ResultsLog&, AppContext&)
{
    return Record("CommandKADCommandHost");
}
int CommandEncrypt(ResultsLog&, const Zel::PString& sourcePath)
{
    return Record("CommandEncrypt", Text(sourcePath));
}

int CommandListBuilds(ResultsLog&, const Zel::PString& outputPath)
{
    return Record("CommandListBuilds", Text(outputPath));
}

int CommandCommit(ResultsLog&, const KUID& id)
{
    return Record("CommandCommit", Text(id));
}
int CommandRevert(ResultsLog&, const KUID& id)
{
    return Record("CommandRevert", Text(id));
}
int CommandDelete(ResultsLog&, const KUID& id)
{
    return Record("CommandDelete", Text(id));
}
int CommandGenerateKUID(ResultsLog&)
{
    return Record("CommandGenerateKUID");
}

int CommandRepairDatabase(ResultsLog&, const Zel::PString& modeWord)
{
    return Record("CommandRepairDatabase", Text(modeWord));
}

int CommandCompressTexture(ResultsLog&, const Zel::PString& folderPath)
{
    return Record("CommandCompressTexture", Text(folderPath));
}

int CommandAuthors(ResultsLog&)
{
    return Record("CommandAuthors");
}

int CommandSearchByCategory(ResultsLog&, const Zel::PString& category, bool includeCargohub)
{
    return Record("CommandSearchByCategory", Text(category) + "," + Text(includeCargohub));
}

int CommandStatus(ResultsLog&, const KUID& id)
{
    return Record("CommandStatus", Text(id));
}
int CommandValidate(ResultsLog&, const KUID& id)
{
    return Record("CommandValidate", Text(id));
}

int CommandCreateCDP(ResultsLog&, const char* outputPath, int idCount, char** idTexts)
{
    return Record("CommandCreateCDP", Text(outputPath) + "," + Table(idCount, idTexts));
}

int CommandCHBParse(ResultsLog&, const char* archivePath)
{
    return Record("CommandCHBParse", Text(archivePath));
}
int CommandCHBDeleteAll(ResultsLog&)
{
    return Record("CommandCHBDeleteAll");
}

int CommandBackupKeywords(ResultsLog&, const char* fileName)
{
    return Record("CommandBackupKeywords", Text(fileName));
}

int CommandImportKeywords(ResultsLog&)
{
    return Record("CommandImportKeywords");
}
