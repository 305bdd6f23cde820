// The parent's console pipe "\\.\pipe\<pid>cout": found at program load, written as UTF-16LE.
#include "foundation/base/console_output.h"

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "foundation/base/console_pipe.h"
#include "platform/socket_io.h"

namespace {

// -1 while no pipe is open. Set once at load, before any thread exists.
int pipeDescriptor = -1;
bool probed = false;

void ClosePipeAtExit()
{
    if (pipeDescriptor < 0)
        return;
    close(pipeDescriptor);
    pipeDescriptor = -1;
}

// The peer must run as our user: an abstract socket name is open to every
// user of the machine, and a stranger must not receive our output.
bool PeerIsOurUser(int descriptor)
{
    ucred credentials{};
    socklen_t length = sizeof credentials;
    if (getsockopt(descriptor, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0)
        return false;
    return credentials.uid == getuid();
}

int ConnectToPipe(const std::string& name)
{
    int descriptor = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (descriptor < 0)
        return -1;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    // Abstract namespace: a leading zero byte, then the name without terminator.
    std::memcpy(address.sun_path + 1, name.data(), name.size());
    socklen_t length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    if (connect(descriptor, reinterpret_cast<sockaddr*>(&address), length) != 0 || !PeerIsOurUser(descriptor)) {
        close(descriptor);
        return -1;
    }
    // Lines are written whole, as WriteFile on a pipe would: block while the
    // parent catches up.
    int flags = fcntl(descriptor, F_GETFL);
    fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK);
    return descriptor;
}

// Runs before main, as the product's static initialiser did.
const bool redirectedAtLoad = (RedirectStdoutToPipe(), true);

}  // namespace

std::string ConsolePipeName(long processId)
{
    return "\\\\.\\pipe\\" + std::to_string(processId) + "cout";
}

void RedirectStdoutToPipe()
{
    if (probed)
        return;
    probed = true;
    (void)redirectedAtLoad;
    std::string name = ConsolePipeName(getpid());
    if (name.size() + 1 > sizeof(sockaddr_un{}.sun_path))
        return;
    pipeDescriptor = ConnectToPipe(name);
    if (pipeDescriptor >= 0)
        std::atexit(ClosePipeAtExit);
}

bool ConsoleOutputIsPipe()
{
    return pipeDescriptor >= 0;
}

void WriteToConsolePipe(const std::u16string& text)
{
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    // A closed pipe is ignored, as a failing WriteFile was.
    Platform::SendAll(pipeDescriptor, bytes.data(), bytes.size());
}
