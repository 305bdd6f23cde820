// The interface-text database: loading the language file and looking tags up under the data lock.
#include "interfacetext/interface_text_db.h"

#include <atomic>
#include <climits>
#include <string>
#include <utility>

#include "foundation/base/file_utilities.h"
#include "foundation/base/global_data_lock.h"
#include "foundation/base/logging.h"
#include "interfacetext/interface_text_files.h"
#include "soup/soup_handle.h"
#include "zel/pstring.h"
#include "zel/string.h"

namespace {

// Only the first few missing tags are logged: a missing file would
// otherwise log every lookup of the run.
constexpr int LoggedMissingTags = 10;

std::atomic<bool> loadedFlag{false};
std::atomic<int> missingTagCount{0};

const Zel::PString& DataFolderName()
{
    static const Zel::PString* name = new Zel::PString("data");
    return *name;
}

// The file name with its last extension replaced by "txt".
Zel::PString TextFormOf(const Zel::PString& file)
{
    std::string name(file.View());
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos)
        name.erase(dot);
    name += ".txt";
    return Zel::PString(name);
}

// A language file as (top-level folder name, path): "data" and the file
// name, or no name and the file's path in the folder tests set.
std::pair<Zel::PString, std::string> LanguageFileLocation(const Zel::PString& file)
{
    const std::string folder = GetDataFolderOverride();
    if (folder.empty())
        return {DataFolderName(), file.c_str()};
    return {Zel::PString(), folder + "/" + file.c_str()};
}

bool LoadSoupFile(SoupHandle& soup, const Zel::PString& file)
{
    const auto [folder, path] = LanguageFileLocation(file);
    return soup.LoadFromFile(folder, path.c_str());
}

bool LanguageFileExists(const Zel::PString& file)
{
    const auto [folder, path] = LanguageFileLocation(file);
    return FileExists(folder, path.c_str());
}

constexpr const char* CompiledFormMissing = "InterfaceTextDB> failed to load compiled interfacetext file";

void CountMissingTag(const Zel::PString& tag)
{
    int count = missingTagCount.load();
    while (count < INT_MAX && !missingTagCount.compare_exchange_weak(count, count + 1)) {}
    if (count + 1 > LoggedMissingTags)
        return;
    const Zel::PString file = InterfaceTextDB::GetFileName();
    LogMessage("InterfaceTextDB::GetString> Tag '%s' not found in '%s'", tag.c_str(), file.c_str());
}

}  // namespace

struct InterfaceTextDB::State {
    SoupHandle root;
    SoupHandle mapText;
    SoupHandle specText;
    SoupHandle scenarioText;
};

InterfaceTextDB& InterfaceTextDB::Instance()
{
    // Never destroyed: lookups may still run on other threads while static
    // destructors run.
    static InterfaceTextDB* database = new InterfaceTextDB();
    if (loadedFlag.load())
        return *database;
    GlobalDataLockHold exclusive(true);
    if (!loadedFlag.load()) {
        database->Load();
        loadedFlag.store(true);
    }
    return *database;
}

InterfaceTextDB::InterfaceTextDB() : state_(std::make_unique<State>()) {}

InterfaceTextDB::~InterfaceTextDB() = default;

void InterfaceTextDB::MarkNotLoaded()
{
    loadedFlag.store(false);
}

void InterfaceTextDB::PrepareFirstLoad()
{
    const Zel::PString file = GetFileName();
    if (LanguageFileExists(file))
        return;
    const Zel::PString textForm = TextFormOf(file);
    if (!LanguageFileExists(textForm)) {
        // Nothing to read: the load costs nothing and logs what it always did.
        Instance();
        return;
    }
    LogMessage(CompiledFormMissing);
    SetChosenFileName(textForm);
}

void InterfaceTextDB::MarkLoaded()
{
    loadedFlag.store(true);
}

bool InterfaceTextDB::IsLoaded()
{
    return loadedFlag.load();
}

void InterfaceTextDB::Load()
{
    State& state = *state_;
    state.root.Clear();
    const Zel::PString file = GetFileName();
    if (!LoadSoupFile(state.root, file)) {
        LogMessage(CompiledFormMissing);
        const Zel::PString textForm = TextFormOf(file);
        SetChosenFileName(textForm);
        state.root.Clear();
        if (!LoadSoupFile(state.root, textForm)) {
            LogMessage("InterfaceTextDB> Unable to read interface file '%s'", textForm.c_str());
            state.root.Clear();
        }
    }
    state.mapText = state.root.GetNamedSoup(Zel::PString("quelm_map_text"));
    state.specText = state.root.GetNamedSoup(Zel::PString("quelm_spec_text"));
    state.scenarioText = state.root.GetNamedSoup(Zel::PString("scenario_text"));
}

Zel::PString InterfaceTextDB::GetString(const Zel::PString& tag, bool warnings)
{
    if (tag.IsEmpty())
        return tag;
    Zel::PString text;
    {
        GlobalDataLockHold shared(false);
        text = state_->root.GetNamedTag(tag);
    }
    if (!text.IsEmpty())
        return text;
    if (!warnings)
        return Zel::PString("");
    CountMissingTag(tag);
    return tag;
}

Zel::PString InterfaceTextDB::GetScenarioString(const Zel::PString& tag)
{
    if (tag.IsEmpty())
        return tag;
    GlobalDataLockHold shared(false);
    return state_->scenarioText.GetNamedTag(tag);
}

int InterfaceTextDB::GetMissingTagCount()
{
    return missingTagCount.load();
}

void InterfaceTextDB::ResetMissingTagCount()
{
    missingTagCount.store(0);
}

Zel::String GetInterfaceText(const Zel::PString& tag)
{
    return Zel::String(InterfaceTextDB::Instance().GetString(tag, true).c_str());
}

Zel::String GetInterfaceText(const char* tag)
{
    return GetInterfaceText(Zel::PString(tag));
}
