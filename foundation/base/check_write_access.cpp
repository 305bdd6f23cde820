// Whether the user-data root can be written: a new file is created exclusively and deleted.
#include "foundation/base/install_paths.h"

#include <fcntl.h>
#include <string>
#include <unistd.h>

#include "foundation/base/temporary_file_path.h"

bool CheckWriteAccess()
{
    Zel::File::Path temporary;
    if (!TemporaryFilePathIn(GetUserDataRoot(), temporary))
        return false;
    std::string resolved;
    if (!Zel::File::Resolve(nullptr, temporary.c_str(), resolved, true))
        return false;
    // O_EXCL: a file (or link) that appeared under the chosen name since it
    // was checked must not be opened or truncated through.
    int descriptor = open(resolved.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (descriptor < 0)
        return false;
    close(descriptor);
    return Zel::File::Unlink(temporary.c_str()) == 0;
}
