// chbparse: installs an archive's assets and writes each again as an archive of its own.
#include "app/commands.h"
#include "assetdb/chb_parse.h"

int CommandCHBParse(ResultsLog& log, const char* archivePath)
{
    return RunCHBParseCommand(archivePath, log) ? 0 : -1;
}
