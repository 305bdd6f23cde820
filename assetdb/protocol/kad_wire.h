// Little-endian framing of handshakes, requests, replies and notifications.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

using KadBytes = std::vector<std::uint8_t>;

void KadAppendInt32(KadBytes& out, std::int32_t value);
void KadAppendBytes(KadBytes& out, const void* data, std::size_t size);
std::int32_t KadLoadInt32(const std::uint8_t* bytes);

// Client → daemon.
KadBytes KadEncodeHandshake(std::int32_t clientFlag, std::string_view databasePath);
KadBytes KadEncodeRequest(std::int32_t code, std::int32_t transactionId, const void* payload, std::size_t size);
KadBytes KadEncodeClosingWord();

// Daemon → client. Every message is built whole so that it can be written
// under one lock and never interleaves with another thread's message.
KadBytes KadEncodeHandshakeReply(std::int32_t value1, std::int32_t value2);
KadBytes KadEncodeReply(std::int32_t transactionId, const void* payload, std::size_t size);
KadBytes KadEncodeNote(std::int32_t type, const void* payload, std::size_t size);

// A length read from the wire is usable only inside [0, 1 GiB].
bool KadIsValidFrameLength(std::int32_t length);
