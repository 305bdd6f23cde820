// Launching programs and the idle priority.
#include "foundation/base/os_helpers.h"

#include "platform/process.h"
#include "zel/file.h"

#include <sstream>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr int32_t ShowHide = 0;
constexpr int32_t ShowNormal = 1;
constexpr int32_t ShowMinimisedNoActivate = 7;

// Windows paths name their folders with backslashes; here the native
// separator is '/'.
std::string NativeSeparators(const char* text)
{
    std::string result = text ? text : "";
    for (char& c : result) {
        if (c == '\\')
            c = '/';
    }
    return result;
}

// Callers pass lower-cased paths (the installation root is kept lower-cased);
// the file layer finds the real letter case on the disk.
std::string ResolvedPath(const std::string& path)
{
    std::string resolved;
    if (path.empty() || !Zel::File::Resolve(nullptr, path.c_str(), resolved))
        return path;
    return resolved;
}

std::vector<std::string> SplitAtBlanks(const std::string& text)
{
    std::vector<std::string> words;
    std::istringstream stream(text);
    std::string word;
    while (stream >> word)
        words.push_back(word);
    return words;
}

}  // namespace

int32_t LaunchShowMode(uint32_t flags)
{
    if (flags & LaunchHidden)
        return ShowHide;
    if (flags & LaunchMinimised)
        return ShowMinimisedNoActivate;
    return ShowNormal;
}

int LaunchProcess(const char* programPath, const char* parameters, const char* workingFolder, uint32_t)
{
    std::string program = ResolvedPath(NativeSeparators(programPath));
    if (program.empty())
        return 0;
    std::vector<std::string> arguments = SplitAtBlanks(NativeSeparators(parameters));
    return Platform::SpawnDetached(program, arguments, ResolvedPath(NativeSeparators(workingFolder)));
}

void SetIdlePriority()
{
    setpriority(PRIO_PROCESS, 0, 19);
}

bool StartAssetPilot(const char* installFolder)
{
    std::string folder = NativeSeparators(installFolder);
    return LaunchProcess((folder + "/bin/AssetPilot.exe").c_str(), "", folder.c_str(), 0) != 0;
}
