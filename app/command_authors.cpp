// authors: lists the names of the authors of local assets.
#include "app/commands.h"

int CommandAuthors(ResultsLog& log)
{
    return ReportCommandNotAvailable(log, "authors");
}
