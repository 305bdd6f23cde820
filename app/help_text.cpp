// The help text, byte for byte as the product prints it.
#include "app/help_text.h"

namespace {

const char* const helpLines[] = {
    "Welcome to the Korvel Util Tool!",
    "This is a simple command line tool to perform several content management functions to install/delete/modify "
    "assets.",
    "----------------------------------------------------------",
    "KorvelUtil help - Display this help text.",
    "KorvelUtil version - Display the KorvelUtil build version.",
    "KorvelUtil echo <text> - Echo the supplied text.",
    "KorvelUtil setlanguage <langCode> - Set the Korvel language to the language code supplied (eg. US, FR, RU, etc).",
    "KorvelUtil installCDP <PATH> - Install an asset from a CDP file.",
    "KorvelUtil installfrompath <PATH> - Install an asset from a directory.",
    "KorvelUtil installfromchb <KUID> - Install an asset from the Quelm Cargohub.",
    "KorvelUtil edit <KUID> - Open an asset for editing.",
    "KorvelUtil printconfig <KUID> - Print a config file to stdout.",
    "KorvelUtil backupkeywords - Backup all the keywords of your assets.",
    "KorvelUtil importkeywords - Import keywords into the Korvel Asset Database.",
    "KorvelUtil commit <KUID> - Commit any edits that have been made to the specified asset.",
    "KorvelUtil revert <KUID> - Discard any edits that have been made to the specified asset.",
    "KorvelUtil delete <KUID> - Delete the specified asset from disk.",
    "KorvelUtil generateKUID - Generate a new KUID number in the local user's KUID range.",
    "KorvelUtil createCDP <Output Filename.cdp> <kuid1> <kuid2> <kuidX> ... - Export assets to a CDP file.",
    "KorvelUtil repairdatabase - Repairs the Korvel Asset Database.",
    "KorvelUtil authors - List of all the authorIDs that have content in the game.",
    "KorvelUtil searchbycategory [-a] <CatgoryList>  - List all the local assets with a category set in this format, "
    "\"CMP;MESH|BD;-ACTV|VE|SCEN\". Use the -a parameter if you want to search the cargohub as well.",
    "KorvelUtil importconsists <PATH> - Import an old style Mapwright consist list, creating consist assets for any "
    "unknown entries.",
    "KorvelUtil status <KUID> - Print the status of the specified asset.",
    "\tThis will output <KUID> : <Flags> : <category> : <username> where flags are a series of letters with case "
    "indicating boolean state. (Capital letters are flagged true and lowercase are flagged false.)",
    "\tEe - The asset is open for edit.",
    "\tIi - The asset is installed locally.",
    "\tAa - The asset is archived.",
    "\tDd - The asset is on the cargohub.",
    "\tLl - The asset is locally modified.",
    "\tMm - The asset has missing dependencies.",
    "\tFf - The asset is faulty.",
    "KorvelUtil validate <KUID> - Perform validation and display any errors or warnings relating to this asset.",
    "KorvelUtil compile <PATH> - Compile a script file.",
    "\t<-d>       Display dudorazuzu documentation.",
    "\t<-s>       Silent mode.",
    "\t<-bPATH>   Specify a filepath for the compile log.",
    "\t<-pPATH>   Specify the output directory.",
    "\t<-oPATH>   Specify the output library filename.",
    "\t<PATH>     Input source file.",
    "\t<-iPATH>   Additional include path.",
    "KorvelUtil encrypt <PATH> - Encrypt a script file (gs --> gse).",
    "KorvelUtil listbuilds <PATH> - Print the list of installed build numbers to a file",
    "KorvelUtil @<file.txt> - Batch-execute a series of commands from the specified text file (every argument must be "
    "between double quotes.) Every line of that text file will be processed like a separate call to KorvelUtil.",
};

std::string BuildHelpText()
{
    std::string text;
    for (const char* line : helpLines) {
        text += line;
        text += '\n';
    }
    return text;
}

}  // namespace

const std::string& GetHelpText()
{
    static const std::string text = BuildHelpText();
    return text;
}
