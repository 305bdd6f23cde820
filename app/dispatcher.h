// DispatchCommand: turns one command line into one command, its argument checks and its result.
#pragma once

class ResultsLog;
struct AppContext;

// Entry 0 of the table is the program path, entry 1 the command word
// (compared without regard to case), entries 2 onward its arguments; batch
// lines are handed in the same shape. Argument errors go to the log as error
// lines. Returns 0 for success, -1 for failure, or the command's own value
// (the installed-version queries return their numbers). The table is not
// const: `compile` blanks entry 1 before handing the table on.
int DispatchCommand(ResultsLog& log, AppContext& context, int argumentCount, char** argumentTable);
