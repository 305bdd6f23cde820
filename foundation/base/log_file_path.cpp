// The log writer's path builder, its folder creation and its time stamp.
#include "foundation/base/log_file.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

#include "foundation/base/code_page.h"
#include "foundation/base/console_output.h"
#include "foundation/base/numbered_file_name.h"

namespace {

// The Windows error a file in the way of a folder reports.
constexpr int ErrorFileExists = 80;
// Past this many numbered names the folder is taken to be unusable.
constexpr int MaxNameNumber = 99999;

thread_local int lastMakeDirectoryError = 0;

std::string ToNative(const std::u16string& path)
{
    std::string out;
    if (!Utf16ToCodePage(path, CP_UTF8, out))
        return std::string();
    return out;
}

bool MakeNativeTree(const std::string& path)
{
    struct stat info {};
    if (stat(path.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode))
            return true;
        lastMakeDirectoryError = ErrorFileExists;
        return false;
    }
    std::size_t separator = path.rfind('/');
    if (separator != std::string::npos && separator > 0 && !MakeNativeTree(path.substr(0, separator)))
        return false;
    if (mkdir(path.c_str(), 0755) == 0)
        return true;
    int error = errno;
    // Another process may have made it in the meantime.
    if (error == EEXIST && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        return true;
    lastMakeDirectoryError = error;
    ConsolePrintf("MakeDirectory> CreateDirectoryW returned err %d", error);
    return false;
}

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day)
{
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

void CivilFromDays(std::int64_t days, std::int64_t& year, unsigned& month, unsigned& day)
{
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2);
}

}  // namespace

LogFileSettings& GetLogFileSettings()
{
    static LogFileSettings settings;
    return settings;
}

int LastMakeDirectoryError()
{
    return lastMakeDirectoryError;
}

bool MakeDirectoryTree(const std::u16string& path)
{
    std::string native = ToNative(path);
    for (char& c : native)
        if (c == '\\')
            c = '/';
    if (native.size() > 1 && native.back() == '/')
        native.pop_back();
    if (native.empty()) {
        lastMakeDirectoryError = ENOENT;
        return false;
    }
    return MakeNativeTree(native);
}

std::string FormatLogTimeStamp(std::uint32_t baseDate, double seconds)
{
    // Whole days below the time, so a negative time falls on the day before
    // and the time of day stays within 0..86400.
    std::int64_t days = static_cast<std::int64_t>(std::floor(seconds / 86400.0));
    double inDay = seconds - static_cast<double>(days) * 86400.0;
    std::int64_t date = DaysFromCivil(baseDate / 10000, (baseDate / 100) % 100, baseDate % 100) + days;
    std::int64_t year;
    unsigned month, day;
    CivilFromDays(date, year, month, day);
    std::int64_t hundredths = static_cast<std::int64_t>(inDay * 100.0 + 1e-6);
    int hours = static_cast<int>(hundredths / 360000);
    int minutes = static_cast<int>((hundredths / 6000) % 60);
    int wholeSeconds = static_cast<int>((hundredths / 100) % 60);
    char text[64];
    std::snprintf(text, sizeof text, "%02d.%02u.%02u  %02d:%02d:%02d.%02d| ", static_cast<int>(year % 100), month, day,
                  hours, minutes, wholeSeconds, static_cast<int>(hundredths % 100));
    return text;
}

bool LogFile::MakeFilePath(const char16_t* subFolder, const std::u16string& name, std::u16string& out)
{
    const LogFileSettings& settings = GetLogFileSettings();
    std::u16string folder = settings.baseFolder;
    folder += subFolder != nullptr && *subFolder != u'\0' ? std::u16string(subFolder) : settings.defaultSubFolder;
    for (char16_t& c : folder)
        if (c == u'\\')
            c = u'/';
    if (!folder.empty() && folder.back() != u'/')
        folder += u'/';
    if (folder.size() + name.size() > LogFilePathLength)
        return false;
    MakeDirectoryTree(folder);
    std::u16string whole = folder + name;
    std::string native = ToNative(whole);
    if (native.empty())
        return false;
    if (settings.overwrite) {
        unlink(native.c_str());
        out = whole;
        return true;
    }
    std::string candidate(native.size() + 16, '\0');
    for (int number = 1; number <= MaxNameNumber; ++number) {
        if (!FormatNumberedFileName(candidate.data(), candidate.size(), native.c_str(), number))
            return false;
        const char* text = candidate.c_str();
        if (access(text, F_OK) != 0) {
            std::u16string wide;
            if (!CodePageToUtf16(text, CP_UTF8, wide) || wide.size() > LogFilePathLength)
                return false;
            out = wide;
            return true;
        }
    }
    return false;
}
