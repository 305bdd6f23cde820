// The settings requests (GetSettingsSection, SetSettingsSection, GetSetting and SetSetting) and the close-daemon request (CloseDaemon).
#include "assetdb/kad_client.h"
#include "assetdb/kad_client_state.h"

#include "foundation/streams/t_buffer.h"
#include "assetdb/protocol/kad_protocol.h"
#include "soup/binary_soup.h"
#include "soup/soup_handle.h"
#include "zel/dynamic_buffer.h"
#include "zel/pstring.h"

#include <chrono>
#include <thread>

namespace {

// Every request is built in a fresh buffer of the engine's usual growth.
struct RequestBuffers {
    TBuffer request{new Zel::DynamicBuffer(0, 512), true};
    TBuffer reply{new Zel::DynamicBuffer(0, 512), true};

    bool Send(KADRequestCode code)
    {
        request.Rewind();
        bool ok = KADClient::Request(static_cast<int32_t>(code), request, reply);
        reply.Rewind();
        return ok;
    }
};

}  // namespace

bool KADClient::GetSettingsSection(SoupHandle& chunk, const Zel::PString& section)
{
    RequestBuffers buffers;
    buffers.request.WritePString(section);
    if (!buffers.Send(KADRequestCode::GetSettingsSection))
        return false;
    ReadBinarySoupUnchecked(chunk, buffers.reply);
    return true;
}

bool KADClient::SetSettingsSection(const Zel::PString& section, SoupHandle& soup)
{
    // A soup without tags clears the section instead of storing an empty one.
    if (soup.IsEmpty()) {
        soup.Clear();
        return ClearSettingsSection(section);
    }
    RequestBuffers buffers;
    buffers.request.WritePString(section);
    WriteBinarySoup(buffers.request, soup);
    soup.Clear();
    return buffers.Send(KADRequestCode::SetSettingsSection);
}

bool KADClient::ClearSettingsSection(const Zel::PString& section)
{
    RequestBuffers buffers;
    buffers.request.WritePString(section);
    WriteBinarySoup(buffers.request, SoupHandle());
    buffers.Send(KADRequestCode::SetSettingsSection);
    return true;
}

Zel::PString KADClient::GetSetting(const Zel::PString& section, const Zel::PString& key)
{
    RequestBuffers buffers;
    buffers.request.WritePString(section);
    buffers.request.WritePString(key);
    if (!buffers.Send(KADRequestCode::GetSetting))
        return Zel::PString();
    return buffers.reply.ReadPString();
}

bool KADClient::SetSetting(const Zel::PString& section, const Zel::PString& key, const Zel::PString& value)
{
    RequestBuffers buffers;
    buffers.request.WritePString(section);
    buffers.request.WritePString(key);
    buffers.request.WritePString(value);
    buffers.Send(KADRequestCode::SetSetting);
    return true;
}

void KADClient::CloseDaemon()
{
    KADClientState& state = ClientState();
    {
        // Nothing may start the daemon again while it closes.
        std::lock_guard<std::recursive_mutex> guard(state.connectionLock);
        state.options.mayStartDaemon = 0;
    }
    RequestBuffers buffers;
    buffers.Send(KADRequestCode::CloseDaemon);
    while (state.connected.load())
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
}
