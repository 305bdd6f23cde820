// A stand-in for the daemon client, linked in place of the real one: records each call and answers success.
#include "fake_kad_client.h"

#include "assetdb/kad_client.h"
#include "soup/soup_handle.h"
#include "zel/pstring.h"

std::vector<std::string>& FakeKADClientCalls()
{
    static std::vector<std::string> calls;
    return calls;
}

FakeSettings& FakeKADClientSettings()
{
    static FakeSettings settings;
    return settings;
}

namespace {

// A request to a daemon that has gone fails and is counted as lost.
bool DaemonAnswers()
{
    if (!FakeKADClientSettings().daemonGone)
        return true;
    ++FakeKADClientSettings().lostRequests;
    return false;
}

}  // namespace

bool KADClient::EnsureConnected()
{
    ++FakeKADClientSettings().linkChecks;
    return !FakeKADClientSettings().daemonGone;
}

uint64_t KADClient::LostRequestCount()
{
    return FakeKADClientSettings().lostRequests;
}

void KADClient::CloseDaemon()
{
    FakeKADClientCalls().push_back("CloseDaemon()");
}

bool KADClient::SetSetting(const Zel::PString& section, const Zel::PString& key, const Zel::PString& value)
{
    FakeKADClientCalls().push_back(std::string("SetSetting(") + section.c_str() + "," + key.c_str() + "," +
                                   value.c_str() + ")");
    return DaemonAnswers();
}

bool KADClient::GetSettingsSection(SoupHandle& chunk, const Zel::PString& section)
{
    FakeKADClientCalls().push_back(std::string("GetSettingsSection(") + section.c_str() + ")");
    chunk.Clear();
    if (!DaemonAnswers())
        return false;
    for (const auto& [name, value] : FakeKADClientSettings().internet)
        chunk.SetNamedTag(Zel::PString(name.c_str()), value.c_str());
    return FakeKADClientSettings().readSucceeds;
}

bool KADClient::SetSettingsSection(const Zel::PString& section, SoupHandle& soup)
{
    FakeKADClientCalls().push_back(std::string("SetSettingsSection(") + section.c_str() + ")");
    if (!FakeKADClientSettings().writeSucceeds) {
        soup.Clear();
        return false;
    }
    FakeKADClientSettings().internet.clear();
    for (int32_t i = 0; i < soup.CountTags(); ++i) {
        Zel::PString name;
        Zel::PString value;
        soup.GetIndexedTagText(i, name, value);
        FakeKADClientSettings().internet.emplace_back(name.c_str(), value.c_str());
    }
    soup.Clear();
    return true;
}
