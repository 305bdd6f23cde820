// The "Korvel" URL-protocol registration: the command text, and no registry to write it to.
#include "foundation/base/os_helpers.h"

#include <cstring>

namespace {

// The command lived in a 260-byte buffer.
constexpr size_t CommandBufferSize = 260;

}  // namespace

std::string BuildURLProtocolCommand(const char* programPath)
{
    std::string path = programPath ? programPath : "";
    std::string command = (!path.empty() && path[0] == '"') ? path : "\"" + path + "\"";
    command += " \"%1\"";
    if (command.size() >= CommandBufferSize)
        command.resize(CommandBufferSize - 1);
    return command;
}

bool RegisterURLProtocol(const char* programPath)
{
    BuildURLProtocolCommand(programPath);
    return false;
}
