// Runs a command's work in the caller's working directory (StartDirectory).
#pragma once

#include "zel/path.h"

// Changes to StartDirectory for the scope's life and back to the directory
// it found on every path out. Without a start directory (getcwd failed at
// start-up) the work stays in the program folder.
class StartDirectoryScope {
public:
    StartDirectoryScope();
    ~StartDirectoryScope();
    StartDirectoryScope(const StartDirectoryScope&) = delete;
    StartDirectoryScope& operator=(const StartDirectoryScope&) = delete;

private:
    Zel::File::Path previous_;
    bool remembered_ = false;
};
