// Codes, tags and limits of the link between the utility and kaddaemon.exe.
#pragma once

#include <cstdint>

#include "assetdb/protocol/kad_requests.h"

// Four-character codes are int32 values whose first letter is the most
// significant byte; on the little-endian wire "note" goes out as "eton".
struct KADProtocol {
    static constexpr std::int32_t ClientCode = 0x4B414443;  // "KADC", opens the handshake
    static constexpr std::int32_t DaemonCode = 0x4B414444;  // "KADD", answers it
    static constexpr std::int32_t ReplyTag = 0x7265706c;    // "repl"
    static constexpr std::int32_t NoteTag = 0x6e6f7465;     // "note"
    static constexpr std::int32_t Version = 330;
    static constexpr std::int32_t Build = 44088;
    // Sent alone by an orderly disconnect; no request has this code.
    static constexpr std::int32_t ClosingWord = 1;
    // A frame length outside [0, MaxFrameLength] is a protocol error in
    // either direction: the reader disconnects instead of allocating it.
    static constexpr std::int32_t MaxFrameLength = 1 << 30;
    static constexpr std::int32_t MaxHandshakePath = 4096;
    // Fixed name text the ownership block's names are built from.
    static constexpr const char* MutexNamePrefix = "09731AC6-B611-4e2a-B181-578073F64F24";
    static constexpr const char* DatabaseFolderName = "assets.tdx";
};

// Modes of the start-repair request: the patch step's repair (fewer lines),
// the plain one, and the extended one.
constexpr std::int32_t KADRepairModePatcher = 50;
constexpr std::int32_t KADRepairModeNormal = 100;
constexpr std::int32_t KADRepairModeExtended = 150;

// Modes of the start-web-query request: a content-service download, and a
// page (login, update check, content-service search) whose failure text the
// program may show.
constexpr std::int32_t KADWebQueryModeDownload = 0;
constexpr std::int32_t KADWebQueryModePage = 2;

enum class KADNoteType : std::int32_t {
    Progress = 0,
    HostQuestion = 1,
    AsyncCall = 2,
    ResultLines = 3,
};
