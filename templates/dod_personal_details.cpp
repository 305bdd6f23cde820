// Reading and writing personalDetails.txt.
#include "templates/dod_personal_details.h"

#include <unistd.h>

#include <cstdio>
#include <string>

#include "soup/soup_handle.h"
#include "soup/text_soup.h"
#include "zel/file.h"

namespace DODLib {

namespace {

bool FileHolds(const char* path, const std::string& text)
{
    Zel::File file;
    if (file.Open(path, Zel::File::ModeRead) != 0 || file.Size() != int64_t(text.size()))
        return false;
    std::string held(text.size(), '\0');
    return file.Read(held.data(), int64_t(held.size())) == int64_t(held.size()) && held == text;
}

}  // namespace

void PersonalDetails::Read(const char* path)
{
    if (Zel::File::Exists(path) != 0)
        return;
    SoupHandle soup;
    soup.LoadFromFile(Zel::PString(), path);
    author = soup.GetNamedTag(Zel::PString("author"));
    organisation = soup.GetNamedTag(Zel::PString("organisation"));
    email = soup.GetNamedTag(Zel::PString("email"));
    website = soup.GetNamedTag(Zel::PString("website"));
    license = soup.GetNamedTag(Zel::PString("license"));
    isInputBoxOn = soup.GetNamedTagAsInt(Zel::PString("isinputboxon"), 0) != 0;
}

bool PersonalDetails::Write(const char* path) const
{
    SoupHandle soup;
    soup.SetNamedTag(Zel::PString("author"), author);
    soup.SetNamedTag(Zel::PString("organisation"), organisation);
    soup.SetNamedTag(Zel::PString("email"), email);
    soup.SetNamedTag(Zel::PString("website"), website);
    soup.SetNamedTag(Zel::PString("license"), license);
    soup.SetNamedTagInt(Zel::PString("isinputboxon"), isInputBoxOn ? 1 : 0);

    std::string text;
    AppendTextSoup(soup, text);
    // Every command ends here; a file that already holds these bytes is left
    // alone rather than rewritten and synced each time.
    if (FileHolds(path, text))
        return true;

    // The temporary name carries the process id: client and command host
    // both write the file at their shutdown.
    const std::string temporary = std::string(path) + "." + std::to_string(getpid()) + ".tmp";
    {
        Zel::File file;
        const bool written = file.Open(temporary.c_str(), Zel::File::ModeWrite) == 0 &&
                             file.Write(text.data(), int64_t(text.size())) == int64_t(text.size()) && file.Flush();
        file.Close();
        if (!written) {
            Zel::File::Unlink(temporary.c_str());
            return false;
        }
    }
    std::string from;
    std::string to;
    if (!Zel::File::Resolve(nullptr, temporary.c_str(), from) || !Zel::File::Resolve(nullptr, path, to, true) ||
        std::rename(from.c_str(), to.c_str()) != 0) {
        Zel::File::Unlink(temporary.c_str());
        return false;
    }
    Zel::File::FlushListingCache();
    return true;
}

}  // namespace DODLib
