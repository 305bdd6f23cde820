// Reads the header of a built-in program text.
#include "zel/program_text.h"

#include <sstream>

namespace Zel {

bool ParseProgramTextHeader(const std::string& text, ProgramTextHeader& header)
{
    ProgramTextHeader read;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::istringstream words(line);
        std::string word;
        if (!(words >> word) || word.rfind("//", 0) == 0)
            continue;
        if (word == "API(common)") {
            if (read.version.empty())
                return false;
            header = std::move(read);
            return true;
        }
        std::string extra;
        if (word == "version") {
            if (!(words >> read.version) || (words >> extra))
                return false;
        } else if (word == "program") {
            std::string name;
            if (!(words >> name) || (words >> extra))
                return false;
            read.programs.push_back(name);
        } else if (word == "constant") {
            ProgramTextHeader::Constant constant;
            if (!(words >> constant.index >> constant.name) || constant.index < 0)
                return false;
            for (float& value : constant.defaults) {
                if (!(words >> value))
                    return false;
            }
            if (words >> extra)
                return false;
            read.constants.push_back(constant);
        } else {
            return false;
        }
    }
    return false;
}

bool ProgramTextStore::Register(const char* name, const char* text)
{
    ProgramTextHeader header;
    if (!name || !*name || !text || !ParseProgramTextHeader(text, header))
        return false;
    std::lock_guard<std::mutex> guard(lock_);
    headers_[name] = std::move(header);
    return true;
}

bool ProgramTextStore::Find(const std::string& name, ProgramTextHeader& header) const
{
    std::lock_guard<std::mutex> guard(lock_);
    auto found = headers_.find(name);
    if (found == headers_.end())
        return false;
    header = found->second;
    return true;
}

}  // namespace Zel
