// Fuzz target: protected script sources (.gse) read back from hostile bytes.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "script/common/source_file.h"

namespace {

// GSSourceFile reads files, so each input becomes one, in a folder of its own
// (a plain array: it must outlive the exit handler that removes the folder).
char folderPath[] = "/tmp/gse-fuzz-XXXXXX";

const std::string& Folder()
{
    static const std::string folder = [] {
        if (mkdtemp(folderPath) == nullptr)
            abort();
        std::atexit([] { rmdir(folderPath); });
        return std::string(folderPath);
    }();
    return folder;
}

bool WriteFile(const std::string& path, const uint8_t* data, size_t size)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input = Folder() + "/input.gse";
    if (!WriteFile(input, data, size))
        return 0;
    GSSourceFile source;
    if (source.Load(nullptr, input.c_str()) && source.Text() != nullptr) {
        // Whatever decoded must survive its own protect and unprotect.
        const std::string text(source.Text(), source.Length());
        const std::string again = Folder() + "/again.gse";
        if (!source.Save(nullptr, again.c_str()))
            abort();
        GSSourceFile reread;
        if (!reread.Load(nullptr, again.c_str()) || reread.Text() == nullptr)
            abort();
        if (std::string(reread.Text(), reread.Length()) != text)
            abort();
        unlink(again.c_str());
    }
    unlink(input.c_str());
    return 0;
}
