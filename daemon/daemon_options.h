// Command-line options of kaddaemon.exe.
#pragma once

#include <string>

struct KADDaemonOptions {
    // The client starts the daemon with no arguments, so every default here
    // is the production value; tests shorten the idle time.
    int idleSeconds = 300;
    int fastWorkers = 4;
};

// Accepts "-idle=<seconds>" and "-workers=<count>"; false with a message
// for anything else.
bool ParseDaemonOptions(int argc, char** argv, KADDaemonOptions& options, std::string& error);
