// Runs a command's work in the caller's working directory (StartDirectory).
#include "app/start_directory_scope.h"

#include <unistd.h>

#include "foundation/base/process_values.h"
#include "zel/file.h"

StartDirectoryScope::StartDirectoryScope()
{
    remembered_ = Zel::File::GetCwd(previous_);
    if (StartDirectory[0] != '\0' && chdir(StartDirectory) != 0)
        return;
}

StartDirectoryScope::~StartDirectoryScope()
{
    if (remembered_ && chdir(previous_.c_str()) != 0)
        return;
}
