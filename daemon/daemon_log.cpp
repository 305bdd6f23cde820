// The daemon's diagnostics file, "kaddaemon.log" in the database folder.
#include "daemon/daemon_log.h"

#include <unistd.h>

#include <cstdarg>
#include <ctime>

KADDaemonLog::~KADDaemonLog()
{
    if (file != nullptr)
        std::fclose(file);
}

void KADDaemonLog::Open(const std::string& path)
{
    std::lock_guard<std::mutex> hold(lock);
    if (file != nullptr)
        std::fclose(file);
    // "e": close-on-exec, so command hosts we start never inherit it.
    file = std::fopen(path.c_str(), "ae");
}

void KADDaemonLog::Write(const char* format, ...)
{
    std::lock_guard<std::mutex> hold(lock);
    if (file == nullptr)
        return;
    std::time_t now = std::time(nullptr);
    std::tm parts;
    gmtime_r(&now, &parts);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &parts);
    std::fprintf(file, "%s [%d] ", stamp, static_cast<int>(getpid()));
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(file, format, arguments);
    va_end(arguments);
    std::fputc('\n', file);
    std::fflush(file);
}
