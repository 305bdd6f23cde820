// Which interface-text file a language code chooses, and where the files are looked for.
#include "interfacetext/interface_text_files.h"

#include <mutex>

#include "interfacetext/interface_text_db.h"
#include "zel/pstring.h"
#include "zel/ascii.h"

namespace {

struct LanguageFile {
    const char* code;
    const char* file;
};

constexpr const char* EnglishFile = "interfacetext.chump";

// "CH" and "SE" have no file of their own: like any unknown code they keep
// the current choice.
constexpr LanguageFile LanguageFiles[] = {
    {"EN", EnglishFile},
    {"AU", EnglishFile},
    {"US", EnglishFile},
    {"UK", EnglishFile},
    {"DE", "interfaceGerman.chump"},
    {"FR", "interfaceFrench.chump"},
    {"IT", "interfaceItalian.chump"},
    {"RU", "interfaceRussian.chump"},
    {"CZ", "interfaceCzech.chump"},
    {"PL", "interfacePolish.chump"},
    {"ES", "interfaceSpanish.chump"},
    {"CN", "interfaceChinese.chump"},
    {"NL", "interfaceDutch.chump"},
    {"KR", "interfaceKorean.chump"},
    {"HU", "interfaceHungarian.chump"},
};

std::mutex choiceLock;

Zel::PString& ChosenFile()
{
    static Zel::PString* file = new Zel::PString(EnglishFile);
    return *file;
}

std::string& DataFolderOverride()
{
    static std::string* folder = new std::string();
    return *folder;
}

}  // namespace

const char* LanguageFileOf(const char* code)
{
    if (code == nullptr)
        return EnglishFile;
    for (const LanguageFile& entry : LanguageFiles) {
        if (Zel::AsciiEqualIgnoreCase(code, entry.code))
            return entry.file;
    }
    return nullptr;
}

void InterfaceTextDB::ChooseLanguage(const char* code)
{
    const char* file = LanguageFileOf(code);
    if (file == nullptr)
        return;
    std::lock_guard<std::mutex> hold(choiceLock);
    ChosenFile() = file;
}

Zel::PString InterfaceTextDB::GetFileName()
{
    std::lock_guard<std::mutex> hold(choiceLock);
    return ChosenFile();
}

void SetChosenFileName(const Zel::PString& file)
{
    std::lock_guard<std::mutex> hold(choiceLock);
    ChosenFile() = file;
}

void InterfaceTextDB::SetDataFolder(const char* folder)
{
    std::lock_guard<std::mutex> hold(choiceLock);
    DataFolderOverride() = folder != nullptr ? folder : "";
}

std::string GetDataFolderOverride()
{
    std::lock_guard<std::mutex> hold(choiceLock);
    return DataFolderOverride();
}
