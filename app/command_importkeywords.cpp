// importkeywords: sends the keyword lists of a keyword file back to the daemon.
#include "foundation/base/install_paths.h"
#include <string>
#include "app/commands.h"
#include "results/results_log.h"
#include "assetdb/kad_client.h"
#include "kuid/kuid.h"
#include "soup/soup_handle.h"
#include "zel/path.h"

bool ImportKeywords(const char* baseFolder, const char* fileName, const char* format)
{
    // The soup loader reads a folder argument as the name of a root folder
    // ("local", "settings"...); an absolute folder is joined here instead.
    const bool absolute = Zel::File::Path::IsAbsolute(baseFolder);
    Zel::File::Path joined(baseFolder);
    joined.AddPath(fileName);
    SoupHandle keywords;
    if (!keywords.LoadFromFile(absolute ? Zel::PString() : Zel::PString(baseFolder),
                               absolute ? joined.c_str() : fileName, format))
        return false;
    for (int32_t i = 0; i < keywords.CountTags(); ++i) {
        Zel::PString name;
        Zel::PString text;
        keywords.GetIndexedTagText(i, name, text);
        // A name that is no asset id gives the null id, which the daemon ignores.
        KADClient::SetAssetKeywords(KUID::Parse(name.c_str(), false), Zel::String(text.c_str()));
    }
    return true;
}

int CommandImportKeywords(ResultsLog& log)
{
    if (ImportKeywords(GetInstallRoot().c_str(), "KeywordsDump.dat", "txt"))
        return 0;
    Zel::File::Path file(GetInstallRoot().c_str());
    file.AddPath("KeywordsDump.dat");
    log.AddMessage(ResultsLog::MessageKind::Error,
                   (std::string("Unable to read the keyword file ") + file.c_str() + ".").c_str());
    return -1;
}
