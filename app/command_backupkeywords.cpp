// backupkeywords: saves every asset's keyword list into a text soup.
#include "app/commands.h"

int CommandBackupKeywords(ResultsLog& log, const char* /*fileName*/)
{
    return ReportCommandNotAvailable(log, "backupkeywords");
}

bool BackupKeywords(const char* /*baseFolder*/, const char* /*fileName*/, const char* /*format*/)
{
    return false;
}
