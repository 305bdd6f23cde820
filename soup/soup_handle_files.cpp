// Loading and saving a soup by file extension, and the replace-through-a-temporary loader.
#include <string>

#include "foundation/base/file_utilities.h"
#include "foundation/streams/t_file.h"
#include "soup/binary_soup.h"
#include "soup/soup_handle.h"
#include "soup/text_soup.h"
#include "zel/ascii.h"

namespace {

enum class SoupFileForm { Unknown, Text, Binary };

// The form by the format word when given, else by the path's last extension.
SoupFileForm FormOf(const char* path, const char* format)
{
    const char* extension = format;
    if (extension == nullptr) {
        extension = nullptr;
        NextFileExtension(extension, path);
    }
    if (Zel::AsciiEqualIgnoreCase(extension, "txt"))
        return SoupFileForm::Text;
    if (Zel::AsciiEqualIgnoreCase(extension, "chump") || Zel::AsciiEqualIgnoreCase(extension, "cdp") ||
        Zel::AsciiEqualIgnoreCase(extension, "cdp2"))
        return SoupFileForm::Binary;
    return SoupFileForm::Unknown;
}

// Opens (folder, path): through the engine's substitution when the folder
// is registered there, else below the folder's root; without a folder the
// path as given.
bool OpenSoupFile(TFile& file, const Zel::PString& folder, const char* path, int mode)
{
    if (folder.IsEmpty())
        return file.Open(path, mode);
    std::string target;
    if (Zel::File::GetSubst(folder.c_str(), target))
        return file.OpenInContainer(folder.c_str(), path, mode);
    Zel::File::Path full;
    if (!BuildFolderPath(folder, path, full))
        return false;
    return file.Open(full.c_str(), mode);
}

}  // namespace

bool SoupHandle::SaveToFile(const Zel::PString& folder, const char* path, const char* format) const
{
    if (path == nullptr)
        return false;
    const SoupFileForm form = FormOf(path, format);
    if (form == SoupFileForm::Unknown)
        return false;
    TFile file;
    if (!OpenSoupFile(file, folder, path, Zel::File::ModeWrite))
        return false;
    if (form == SoupFileForm::Text)
        WriteTextSoup(*this, file);
    else
        WriteBinarySoup(file, *this);
    // A write that fell short (a full disk) is a failed save.
    return !file.HasError();
}

bool SoupHandle::LoadFromFile(const Zel::PString& folder, const char* path, const char* format)
{
    if (path == nullptr)
        return false;
    TFile file;
    const int mode = folder.IsEmpty() ? Zel::File::ModeReadPath : Zel::File::ModeRead;
    if (!OpenSoupFile(file, folder, path, mode))
        return false;
    switch (FormOf(path, format)) {
    case SoupFileForm::Text:
        Clear();
        ReadTextSoup(*this, file, false);
        return true;
    case SoupFileForm::Binary:
        ReadBinarySoup(*this, file);
        return true;
    case SoupFileForm::Unknown:
        break;
    }
    return false;
}

bool SoupHandle::LoadWithTempFallback(const char* path, const Zel::PString& folder)
{
    if (path == nullptr)
        return false;
    // A file of no soup form is never loaded, and never deleted.
    if (FormOf(path, nullptr) == SoupFileForm::Unknown)
        return false;
    const char* extension = nullptr;
    NextFileExtension(extension, path);
    const std::string format = extension;
    Zel::File::Path temporary(path);
    temporary.SetExt("tmp");
    if (FileExists(folder, path)) {
        if (LoadFromFile(folder, path, format.c_str())) {
            DeleteFileOrFolder(folder, temporary.c_str());
            return true;
        }
        DeleteFileOrFolder(folder, path);
    }
    if (FileExists(folder, temporary.c_str())) {
        if (LoadFromFile(folder, temporary.c_str(), format.c_str())) {
            RenameFile(folder, temporary.c_str(), path);
            return true;
        }
        DeleteFileOrFolder(folder, temporary.c_str());
    }
    return false;
}
