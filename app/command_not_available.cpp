// The placeholder answer of a command whose body is not part of this build yet.
#include <string>

#include "app/commands.h"
#include "results/results_log.h"

int ReportCommandNotAvailable(ResultsLog& log, const char* commandWord)
{
    std::string text = "The command \"";
    text += commandWord;
    text += "\" is not available yet.";
    log.AddMessage(ResultsLog::MessageKind::Error, text.c_str());
    return -1;
}
