// Where the daemon's installation, user data and database live.
#pragma once

#include <string>

struct KADDaemonPaths {
    std::string installRoot;   // parent of the folder that holds the program
    std::string userDataRoot;  // installRoot + "/UserData"
    std::string databasePath;  // userDataRoot + "/assets.tdx", a folder
    std::string indexPath;     // databasePath + "/index.sqlite"
    std::string logPath;       // databasePath + "/kaddaemon.log"

    // Derives every path from the program's own location, the way the
    // client derives them, since the client starts us with no arguments.
    static bool FromExecutable(const std::string& executablePath, KADDaemonPaths& paths);
    // Creates the user-data root and the database folder when missing.
    bool CreateFolders() const;
};

// True when a handshake names our database: compared without regard to
// letter case (the client lower-cases the installation root) and with '\\'
// taken as '/'.
bool KADIsSameDatabasePath(const std::string& ours, const std::string& theirs);
