// echo: prints the arguments as typed, each followed by a blank, then a line feed.
#include <cstdio>

#include "app/commands.h"

int CommandEcho(int argumentCount, char** argumentTable)
{
    for (int i = 2; i < argumentCount; ++i) {
        std::fputs(argumentTable[i] != nullptr ? argumentTable[i] : "", stdout);
        std::fputc(' ', stdout);
    }
    std::fputc('\n', stdout);
    return 0;
}
