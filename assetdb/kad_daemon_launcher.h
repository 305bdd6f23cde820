// Starting kaddaemon.exe from the installation's "bin" folder.
#pragma once

// Starts the daemon detached and hidden, with its own folder as working
// folder and empty parameters; the process id, 0 on failure.
int LaunchDaemon();
