// KADClient::ReaderThread: reads tags, wakes requesters, reads notifications.
#include "assetdb/kad_client_reader.h"

#include "assetdb/kad_client.h"
#include "assetdb/kad_client_state.h"
#include "assetdb/kad_client_transaction.h"
#include "assetdb/kad_notification.h"

#include "assetdb/net/tcp_transport.h"
#include "assetdb/protocol/kad_protocol.h"
#include "assetdb/protocol/kad_wire.h"
#include "zel/thread.h"

#include <algorithm>
#include <vector>

namespace {

// Bytes are skipped or stored in pieces, so a hostile length word never
// makes the reader allocate more than has really arrived.
constexpr int32_t ReadPiece = 0x10000;

bool ReadInt32(NetTransport& transport, int32_t& value)
{
    return ReceiveExact(transport, &value, 4);
}

bool ReadPayload(NetTransport& transport, int32_t length, std::vector<uint8_t>& payload)
{
    payload.clear();
    while (static_cast<int32_t>(payload.size()) < length) {
        int32_t piece = std::min(ReadPiece, length - static_cast<int32_t>(payload.size()));
        size_t at = payload.size();
        payload.resize(at + piece);
        if (!ReceiveExact(transport, payload.data() + at, piece))
            return false;
    }
    return true;
}

// A reply for an id nobody waits for: its body is read and dropped, so the
// next tag is read from the right place.
bool SkipReplyBody(NetTransport& transport)
{
    int32_t length = 0;
    if (!ReadInt32(transport, length) || !KADIsValidFrameLength(length))
        return false;
    std::vector<uint8_t> discard;
    return ReadPayload(transport, length, discard);
}

bool ReadAndDispatchNotification(NetTransport& transport)
{
    int32_t type = 0;
    int32_t length = 0;
    if (!ReadInt32(transport, type) || !ReadInt32(transport, length))
        return false;
    if (!KADIsValidFrameLength(length))
        return false;
    auto* notification = new KADNotification(type);
    std::vector<uint8_t> payload;
    if (!ReadPayload(transport, length, payload)) {
        delete notification;
        return false;
    }
    notification->SetPayload(payload.data(), payload.size());
    KADClient::DispatchNotification(notification);
    return true;
}

bool ReadOneMessage(KADClientState& state, NetTransport& transport)
{
    int32_t tag = 0;
    if (!ReadInt32(transport, tag))
        return false;
    if (tag == KADProtocol::NoteTag)
        return ReadAndDispatchNotification(transport);
    if (tag != KADProtocol::ReplyTag)
        return false;
    int32_t clientTransactionID = 0;
    if (!ReadInt32(transport, clientTransactionID))
        return false;
    // The requester reads the body: the socket is its until it sets the event again.
    state.socketFree.Reset();
    if (ReceiveTransactionReply(clientTransactionID, state.generation.load()))
        return true;
    state.socketFree.Set();
    return SkipReplyBody(transport);
}

uint32_t ReaderThreadProcedure(void* parameter)
{
    auto& state = *static_cast<KADClientState*>(parameter);
    state.readerThreadId.store(Zel::Thread::GetCurrentId());
    KADClient::ReaderThread();
    return 0;
}

}  // namespace

void KADClient::ReaderThread()
{
    KADClientState& state = ClientState();
    // Stable until this thread ends: Disconnect joins it before deleting the transport.
    NetTransport* transport = state.transport;
    while (!state.readerStop.load()) {
        state.socketFree.Wait(-1);
        if (state.readerStop.load() || !transport)
            break;
        if (!ReadOneMessage(state, *transport))
            break;
    }
    // Dead or out of step: the daemon must see the connection end, and a
    // requester that still reads fails at once. The descriptor itself is
    // closed by Disconnect, after this thread has ended.
    if (transport)
        transport->ShutdownSocket();
    state.connected.store(false);
    state.socketFree.Set();
    AbortAllTransactions();
}

void StartReaderThread(KADClientState& state)
{
    state.readerStop.store(false);
    state.reader = new Zel::Thread(ReaderThreadProcedure, &state, true);
}

void StopReaderThread(KADClientState& state)
{
    if (!state.reader)
        return;
    state.readerStop.store(true);
    if (state.transport)
        state.transport->ShutdownSocket();
    state.socketFree.Set();
    state.reader->Wait(-1);
    delete state.reader;
    state.reader = nullptr;
    state.readerThreadId.store(0);
    state.readerStop.store(false);
}
