// registeraccount: stores the online account's user name and password in the daemon's internet settings.
#include "app/commands.h"
#include "results/results_log.h"
#include "assetdb/kad_client.h"
#include "soup/soup_handle.h"

// The password is stored as plain text in the settings group, as it was
// typed on the command line; tools that read the group expect it there.
int CommandRegisterAccount(ResultsLog& log, const char* userName, const char* password)
{
    const Zel::PString section("internet");
    SoupHandle settings;
    if (!KADClient::GetSettingsSection(settings, section)) {
        log.AddMessage(ResultsLog::MessageKind::Error, "Unable to read internet settings.");
        return -1;
    }
    settings.SetNamedTag(Zel::PString("username"), userName);
    settings.SetNamedTag(Zel::PString("password"), password);
    if (!KADClient::SetSettingsSection(section, settings)) {
        log.AddMessage(ResultsLog::MessageKind::Error, "Unable to write internet settings.");
        return -1;
    }
    return 0;
}
