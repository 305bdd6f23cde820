// Ending the process at once, with its buffered output flushed first.
#include "foundation/base/process_exit.h"

#include <cstdio>
#include <unistd.h>

void EndProcessNow(int exitCode)
{
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(exitCode & 0xFF);
}
