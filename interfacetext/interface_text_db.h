// The interface-text database: turns "$" tags into the current language's texts from a soup file.
#pragma once

#include <memory>

namespace Zel {
class PString;
class String;
}  // namespace Zel

class InterfaceTextDB {
public:
    // The process's database, loaded first (under the exclusive data lock)
    // when the loaded flag is clear.
    static InterfaceTextDB& Instance();

    InterfaceTextDB();
    virtual ~InterfaceTextDB();
    InterfaceTextDB(const InterfaceTextDB&) = delete;
    InterfaceTextDB& operator=(const InterfaceTextDB&) = delete;

    // Chooses the file of a two-letter language code (case ignored; null,
    // "EN", "AU", "US", "UK": English). Unknown codes keep the choice. Does
    // not load.
    static void ChooseLanguage(const char* code);
    // The chosen file name, such as "interfacetext.chump".
    static Zel::PString GetFileName();
    // The next Instance or lookup loads the file again.
    static void MarkNotLoaded();
    // Start-up's share of a load: when the chosen file is not there, the
    // text form is chosen at once, with the line a load logs for it; reading
    // waits for the first lookup, which most commands never make. With
    // neither form there, the empty database is loaded at once.
    static void PrepareFirstLoad();
    // For callers that load under their own exclusive hold: test IsLoaded
    // again under the lock, Load, then MarkLoaded.
    static void MarkLoaded();
    static bool IsLoaded();

    // Reads the chosen file from the data folder, the ".txt" form when the
    // compiled one cannot be read. Callers hold the data lock exclusively.
    void Load();

    // The text of a tag. A null or empty tag comes back unchanged; a missing
    // tag comes back as itself with warnings on (the first 10 are logged),
    // as the empty text with warnings off.
    Zel::PString GetString(const Zel::PString& tag, bool warnings);
    // The text of a tag in the "scenario_text" sub-soup; empty when absent.
    Zel::PString GetScenarioString(const Zel::PString& tag);

    // The folder that holds the language files ("data" under the
    // installation root in the product layout; tests point it elsewhere).
    static void SetDataFolder(const char* folder);

    // The number of missing-tag lookups so far (logged while at most 10).
    static int GetMissingTagCount();
    static void ResetMissingTagCount();

    struct State;

private:
    std::unique_ptr<State> state_;
};

// The usual entry of the command bodies: loads the database when needed and
// looks the tag up with warnings on.
Zel::String GetInterfaceText(const Zel::PString& tag);
Zel::String GetInterfaceText(const char* tag);
