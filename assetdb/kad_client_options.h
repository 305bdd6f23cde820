// KADClientOptions: what start-up hands to KADClient::Start.
#pragma once

#include <cstdint>

using KADProgressCallback = void (*)(int32_t progress);

struct KADClientOptions {
    // Receives the value of every progress notification; start-up gives none.
    KADProgressCallback progressCallback = nullptr;
    // Option bytes 0 to 2 are kept and never read by the client.
    uint8_t optionByte0 = 1;
    uint8_t optionByte1 = 1;
    uint8_t optionByte2 = 1;
    // 1: a request that cannot reconnect at once may launch the daemon.
    uint8_t mayStartDaemon = 1;
    // Client flag of the handshake: 1, or 0 with "-nokadclient".
    uint8_t clientFlag = 1;
};
