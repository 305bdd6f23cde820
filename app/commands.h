// The command bodies that DispatchCommand calls once a command's arguments have passed their checks.
#pragma once

#include "zel/pstring.h"

class KUID;
class ResultsLog;
struct AppContext;

// Each returns the command's result (0 success, -1 failure, unless a command
// says otherwise). Paths and words given as Zel::PString are the dispatcher's
// lower-cased argument; plain char pointers are entries of the table as typed.

int CommandVersion();
// Raw entries 2 onward, each followed by one blank, then a line feed.
int CommandEcho(int argumentCount, char** argumentTable);
int CommandSetLanguage(ResultsLog& log, const Zel::PString& languageCode);
int CommandRegisterAccount(ResultsLog& log, const char* userName, const char* password);
int CommandCloseKADDaemon();
int CommandInstallCDP(ResultsLog& log, const Zel::PString& archivePath);
// The folder is known to exist.
int CommandInstallFromPath(ResultsLog& log, const Zel::PString& folderPath);
// The id is not the null id.
int CommandInstallFromCHB(ResultsLog& log, const KUID& id);
int CommandImportConsists(ResultsLog& log, const Zel::PString& filePath);
int CommandEdit(ResultsLog& log, const KUID& id);
int CommandPrintConfig(ResultsLog& log, const KUID& id);
// The whole table: the compiler reads its own command line from it.
int CommandCompile(ResultsLog& log, int argumentCount, char** argumentTable);
int CommandKADCommandHost(ResultsLog& log, AppContext& context);
int CommandEncrypt(ResultsLog& log, const Zel::PString& sourcePath);
int CommandListBuilds(ResultsLog& log, const Zel::PString& outputPath);
int CommandCommit(ResultsLog& log, const KUID& id);
int CommandRevert(ResultsLog& log, const KUID& id);
int CommandDelete(ResultsLog& log, const KUID& id);
int CommandGenerateKUID(ResultsLog& log);
// The optional mode word: "extended", "patcher", anything else or null.
int CommandRepairDatabase(ResultsLog& log, const Zel::PString& modeWord);
int CommandCompressTexture(ResultsLog& log, const Zel::PString& folderPath);
int CommandAuthors(ResultsLog& log);
// With includeCargohub ("-a") the category is the raw entry 3; without it
// the lower-cased argument (possibly empty), and the search keeps to local
// assets.
int CommandSearchByCategory(ResultsLog& log, const Zel::PString& category, bool includeCargohub);
int CommandStatus(ResultsLog& log, const KUID& id);
int CommandValidate(ResultsLog& log, const KUID& id);
// The output path ends in ".cdp"; the ids are raw entries, parsed leniently.
int CommandCreateCDP(ResultsLog& log, const char* outputPath, int idCount, char** idTexts);
int CommandCHBParse(ResultsLog& log, const char* archivePath);
int CommandCHBDeleteAll(ResultsLog& log);
int CommandBackupKeywords(ResultsLog& log, const char* fileName);
int CommandImportKeywords(ResultsLog& log);

// Keyword backup and import: a soup of one text tag per asset, named by the
// asset's tag text, holding its keyword list.
bool BackupKeywords(const char* baseFolder, const char* fileName, const char* format);
bool ImportKeywords(const char* baseFolder, const char* fileName, const char* format);

#if defined(KORVEL_TEST_HOOKS)
// Test builds only: waits at a FIFO until the test writes one byte to it.
int CommandTestGate(ResultsLog& log, const char* fifoPath);
#endif

// For a body that has not landed yet: adds an error line saying the command
// is not available yet and returns -1, so the command never passes for a
// success.
int ReportCommandNotAvailable(ResultsLog& log, const char* commandWord);
