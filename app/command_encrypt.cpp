// encrypt: scrambles a script source (.gs) into a protected source (.gse).
#include "app/commands.h"

int CommandEncrypt(ResultsLog& log, const Zel::PString& /*sourcePath*/)
{
    return ReportCommandNotAvailable(log, "encrypt");
}
