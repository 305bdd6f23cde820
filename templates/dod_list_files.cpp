// Reading the value lists and the new-form template names of the template data folder.
#include "templates/dod_list_files.h"

#include <string>

#include "zel/ascii.h"
#include "zel/file.h"

namespace DODLib {

namespace {

std::string_view WithoutLineEnd(std::string_view text)
{
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n'))
        text.remove_suffix(1);
    return text;
}

// Reads the whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& out)
{
    Zel::File file;
    if (file.Open(path.c_str(), Zel::File::ModeReadPath) != 0)
        return false;
    const int64_t size = file.Size();
    if (size < 0)
        return false;
    out.resize(size_t(size));
    return size == 0 || file.Read(out.data(), size) == size;
}

// Calls visit for each line, its terminator kept as the file has it.
template <class Visit>
void ForEachLine(std::string_view text, Visit visit)
{
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        end = end == std::string_view::npos ? text.size() : end + 1;
        visit(text.substr(start, end - start));
        start = end;
    }
}

}  // namespace

bool ListFile::HasKey(std::string_view key) const
{
    return lowerKeys_.count(Zel::AsciiLowerCopy(key)) != 0;
}

void ListFile::Index()
{
    lowerKeys_.clear();
    for (const auto& pair : pairs)
        lowerKeys_.insert(Zel::AsciiLowerCopy(pair.first.View()));
}

std::pair<Zel::PString, Zel::PString> SplitListLine(std::string_view line)
{
    const size_t blank = line.empty() ? std::string_view::npos : line.substr(0, line.size() - 1).find(' ');
    if (blank == std::string_view::npos)
        return {Zel::PString(WithoutLineEnd(line)), Zel::PString("")};
    return {Zel::PString(line.substr(0, blank)), Zel::PString(WithoutLineEnd(line.substr(blank + 1)))};
}

bool ReadListFiles(const char* folder, std::unordered_map<Zel::PString, ListFile>& out)
{
    std::string base(folder);
    if (!base.empty() && base.back() != '/')
        base += '/';
    Zel::File::Find find;
    if (!find.Open((base + "*.*").c_str()))
        return false;
    while (find.Next()) {
        if (find.IsDirectory())
            continue;
        std::string bytes;
        if (!ReadWholeFile(base + find.Name(), bytes))
            continue;
        ListFile list;
        list.fileName = Zel::PString(find.Name());
        ForEachLine(bytes, [&list](std::string_view line) { list.pairs.push_back(SplitListLine(line)); });
        list.Index();
        out[list.fileName] = std::move(list);
    }
    return true;
}

std::vector<Zel::PString> ReadNewFormTemplates(const char* folder)
{
    std::vector<Zel::PString> names;
    std::string bytes;
    std::string path(folder);
    if (!path.empty() && path.back() != '/')
        path += '/';
    path += "newFormTemplate.txt";
    if (ReadWholeFile(path, bytes)) {
        ForEachLine(bytes, [&names](std::string_view line) {
            names.push_back(Zel::PString(Zel::AsciiLowerCopy(WithoutLineEnd(line))));
        });
    }
    names.push_back(Zel::PString("bridge"));
    return names;
}

}  // namespace DODLib
