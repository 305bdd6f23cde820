// The daemon's process: from start to the orderly close.
#pragma once

// Returns the exit code: 0 after an orderly close and when another daemon
// already owns the database; 1 when the daemon cannot start; 2 for a bad
// command line.
int KADDaemonMain(int argc, char** argv);
