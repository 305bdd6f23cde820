// testgate (test builds only): holds a batch between two of its lines until a test lets it go on.
#include "app/commands.h"

#if defined(KORVEL_TEST_HOOKS)
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include "platform/file_io.h"
#include "results/results_log.h"

// The argument is a FIFO the test made. Opening it for reading waits until
// the test opens it for writing, so the test learns that the batch stands
// at this line; the read then waits until the test has done its work (kill
// the daemon, fill a disk) and writes one byte.
int CommandTestGate(ResultsLog& log, const char* fifoPath)
{
    int fd = Platform::OpenFile(fifoPath, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        log.AddMessage(ResultsLog::MessageKind::Error, "Cannot open the gate.");
        return -1;
    }
    char byte = 0;
    ssize_t count = Platform::ReadSome(fd, &byte, 1);
    close(fd);
    if (count != 1) {
        log.AddMessage(ResultsLog::MessageKind::Error, "The gate was closed without a word.");
        return -1;
    }
    return 0;
}
#endif
