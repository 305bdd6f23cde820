// Fresh temporary file names in a given folder.
#include "foundation/base/temporary_file_path.h"

#include <atomic>
#include <cstdint>
#include <string>

#include "foundation/base/logging.h"
#include "zel/rand.h"

bool TemporaryFilePathIn(const Zel::File::Path& root, Zel::File::Path& out)
{
    static std::atomic<uint32_t> counter{0};
    const uint32_t number = ++counter;
    out.Clear();
    Zel::File::Path made = root;
    made.ReplaceForwardSlashes();
    Zel::File::Md(made.c_str());
    static const char prefix[] = "temp-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = prefix;
        for (int i = 0; i < 8; ++i) {
            const int draw = Zel::Rand::NextInt(0, 35);
            name += draw < 10 ? char('0' + draw) : char('a' + draw - 10);
        }
        name += std::to_string(number);
        name += ".tmp";
        Zel::File::Path candidate = root;
        candidate.AddPath(name.c_str());
        Zel::File::Path asked = candidate;
        asked.ReplaceForwardSlashes();
        if (Zel::File::Exists(asked.c_str()) != 0) {
            out = candidate;
            return true;
        }
    }
    LogMessage("CreateTemporaryFilePath> unable to form valid temp path in 100 tries, at path '%s' with prefix '%s'",
               root.c_str(), prefix);
    return false;
}
