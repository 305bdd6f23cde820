// The daemon's diagnostics file, "kaddaemon.log" in the database folder.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>

class KADDaemonLog {
public:
    KADDaemonLog() = default;
    ~KADDaemonLog();
    KADDaemonLog(const KADDaemonLog&) = delete;
    KADDaemonLog& operator=(const KADDaemonLog&) = delete;

    // Appends to the file; without one (not opened, or opening failed)
    // lines go nowhere, since a detached daemon has no console.
    void Open(const std::string& path);
    // One line, stamped with the time and our process id.
    void Write(const char* format, ...) __attribute__((format(printf, 2, 3)));

private:
    std::mutex lock;
    std::FILE* file = nullptr;
};
