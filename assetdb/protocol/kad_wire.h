// Little-endian framing of handshakes, requests, replies and notifications.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

using KADBytes = std::vector<std::uint8_t>;

void KADAppendInt32(KADBytes& out, std::int32_t value);
void KADAppendBytes(KADBytes& out, const void* data, std::size_t size);
std::int32_t KADLoadInt32(const std::uint8_t* bytes);

// Client → daemon.
KADBytes KADEncodeHandshake(std::int32_t clientFlag, std::string_view databasePath);
KADBytes KADEncodeRequest(std::int32_t code, std::int32_t transactionId, const void* payload, std::size_t size);
KADBytes KADEncodeClosingWord();

// Daemon → client. Every message is built whole so that it can be written
// under one lock and never interleaves with another thread's message.
KADBytes KADEncodeHandshakeReply(std::int32_t value1, std::int32_t value2);
KADBytes KADEncodeReply(std::int32_t transactionId, const void* payload, std::size_t size);
KADBytes KADEncodeNote(std::int32_t type, const void* payload, std::size_t size);

// A length read from the wire is usable only inside [0, 1 GiB].
bool KADIsValidFrameLength(std::int32_t length);
