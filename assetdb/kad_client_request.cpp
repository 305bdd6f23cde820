// KADClient::Request: send under a transaction, wait for the reader's hand-over, read the reply body.
#include "assetdb/kad_client.h"
#include "assetdb/kad_client_state.h"
#include "assetdb/kad_client_transaction.h"
#include "assetdb/kad_daemon_launcher.h"

#include "foundation/streams/t_buffer.h"
#include "assetdb/net/tcp_transport.h"
#include "assetdb/protocol/kad_protocol.h"
#include "assetdb/protocol/kad_wire.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

namespace {

constexpr int ConnectAttempts = 11;
constexpr int RetryDelayMs = 1000;
// Reply bodies are appended in pieces, so the buffer grows only as bytes arrive.
constexpr int32_t ReplyPiece = 0x10000;

bool TakePayload(TBuffer& request, std::vector<uint8_t>& payload)
{
    int64_t length = request.Size() - request.Tell();
    if (length < 0 || length > KADProtocol::MaxFrameLength)
        return false;
    payload.resize(static_cast<size_t>(length));
    if (length == 0)
        return true;
    return request.ReadBytes(payload.data(), static_cast<int32_t>(length)) == static_cast<int32_t>(length);
}

// Sends the whole request; the caller holds the connection lock.
bool SendRequest(KADClientState& state, int32_t requestCode, int32_t clientTransactionID,
                 const std::vector<uint8_t>& payload)
{
    bool sentHeader = false;
    for (int attempt = 0; attempt < ConnectAttempts && !sentHeader; ++attempt) {
        if (attempt == 1) {
            if (!state.options.mayStartDaemon)
                return false;
            LaunchDaemon();
        }
        if (attempt >= 1)
            std::this_thread::sleep_for(std::chrono::milliseconds(RetryDelayMs));
        if (!KADClient::Connect())
            continue;
        int32_t header[2] = {requestCode, clientTransactionID};
        sentHeader = KADClient::SendRaw(header, 8);
    }
    if (!sentHeader)
        return false;
    // From here a failure leaves the daemon mid-message, so SendRaw drops the
    // connection: the next request's bytes must never be read as this payload.
    KADBytes rest;
    KADAppendInt32(rest, static_cast<int32_t>(payload.size()));
    KADAppendBytes(rest, payload.data(), payload.size());
    return KADClient::SendRaw(rest.data(), static_cast<int32_t>(rest.size()));
}

// The request is gone with its connection; the count lets the command that
// asked tell this from an answer it did not like.
bool LoseRequest(KADClientState& state)
{
    state.lostRequests.fetch_add(1);
    return false;
}

bool ReadReplyBody(KADClientState& state, uint64_t generation, TBuffer& reply)
{
    std::lock_guard<std::recursive_mutex> guard(state.connectionLock);
    // Woken by a connection that has since been replaced: its bytes are gone.
    if (!state.transport || state.generation.load() != generation)
        return LoseRequest(state);
    int32_t length = 0;
    if (!KADClient::ReceiveRaw(&length, 4, true))
        return LoseRequest(state);
    if (!KADIsValidFrameLength(length)) {
        KADClient::Disconnect(true);
        return LoseRequest(state);
    }
    std::vector<uint8_t> piece;
    int32_t remaining = length;
    while (remaining > 0) {
        int32_t count = std::min(remaining, ReplyPiece);
        piece.resize(count);
        if (!KADClient::ReceiveRaw(piece.data(), count, true))
            return LoseRequest(state);
        if (reply.Write(piece.data(), count) != count) {
            // The body is read whole even when the buffer refuses it, so the
            // socket stays in step for the reader.
            while ((remaining -= count) > 0) {
                count = std::min(remaining, ReplyPiece);
                if (!KADClient::ReceiveRaw(piece.data(), count, true))
                    return LoseRequest(state);
            }
            state.socketFree.Set();
            return false;
        }
        remaining -= count;
    }
    state.socketFree.Set();
    return true;
}

bool RunTransaction(KADClientState& state, int32_t requestCode, TBuffer& request, TBuffer& reply,
                    KADClientTransaction& transaction)
{
    std::vector<uint8_t> payload;
    {
        std::lock_guard<std::recursive_mutex> guard(state.connectionLock);
        if (!state.started.load())
            return false;
        if (!TakePayload(request, payload))
            return false;
        if (!SendRequest(state, requestCode, transaction.clientTransactionID, payload))
            return LoseRequest(state);
    }
    transaction.wake.Wait(-1);
    transaction.wake.Reset();
    if (transaction.aborted)
        return LoseRequest(state);
    return ReadReplyBody(state, transaction.replyGeneration, reply);
}

}  // namespace

bool KADClient::Request(int32_t requestCode, TBuffer& request, TBuffer& reply, KADPromptHandler* promptHandler,
                        ResultsLog* log, bool keepResultsLog)
{
    KADClientTransaction transaction(promptHandler, log, keepResultsLog);
    BeginTransaction(transaction);
    bool ok = RunTransaction(ClientState(), requestCode, request, reply, transaction);
    EndTransaction(transaction);
    return ok;
}
