// The one KADClientState of the process.
#include "assetdb/kad_client_state.h"

KADClientState& ClientState()
{
    static KADClientState state;
    return state;
}

void ResetClientOptions(KADClientState& state)
{
    std::lock_guard<std::recursive_mutex> guard(state.connectionLock);
    state.options = KADClientOptions();
}

bool KADClient::IsStarted()
{
    return ClientState().started.load();
}

bool KADClient::IsConnected()
{
    return ClientState().connected.load();
}

uint64_t KADClient::ConnectionCount()
{
    return ClientState().generation.load();
}

uint64_t KADClient::LostRequestCount()
{
    return ClientState().lostRequests.load();
}

void KADClient::GetDaemonValues(int32_t& first, int32_t& second)
{
    KADClientState& state = ClientState();
    std::lock_guard<std::mutex> guard(state.valuesLock);
    first = state.daemonValues[0];
    second = state.daemonValues[1];
}

void KADClient::SetCommandHostHook(KADCommandHostHook hook)
{
    ClientState().commandHostHook.store(hook);
}

KADCommandHostHook KADClient::GetCommandHostHook()
{
    return ClientState().commandHostHook.load();
}
