// The command host: the daemon's worker mode, its question handler and its loop.
#pragma once

#include <cstdint>
#include <functional>

#include "assetdb/transfer_archive.h"
#include "zel/pstring.h"
#include "zel/string.h"

class ResultsLog;
class TBuffer;

// What the host's work needs from the layers above the client (validation
// and texture conversion live there) and the main-loop tick of the program.
// A missing service answers its question with an error line.
struct KADCommandHostServices {
    // Validates the asset folder; the store name names the asset's resource
    // database. True when the asset is valid.
    std::function<bool(const Zel::PString& storeName, const Zel::String& folder, ResultsLog& log)> validateFolder;
    // Converts the folder's textures; 2 when every texture was converted.
    std::function<int32_t(const Zel::PString& storeName, const Zel::String& folder, ResultsLog& log)> convertTextures;
    TransferArchiveExporter exportAsset;
    TransferArchiveInstaller installEntry;
    // Runs the queued main-thread jobs (and with them the questions).
    std::function<void()> tickMainLoop;
};

// Export through the daemon (ExportAssetChunk, option 0) and install through
// InstallArchiveAsset without prompts; the program adds validation,
// conversion and its tick.
KADCommandHostServices DefaultCommandHostServices();
void SetCommandHostServices(KADCommandHostServices services);

// The hook of note type 1: reads the question, does the work on the calling
// (main) thread and writes the answer. An unsupported command id is logged
// and answered empty; a question whose fields cannot be read is dropped with
// an empty answer.
void CommandHostCallback(TBuffer& question, TBuffer& answer);

// The body of `kadcommandhost`: registers (RegisterCommandHost), installs the
// process handlers and serves questions until the connection is gone or a
// console signal asks to close, sending a keep-alive (HostKeepAlive) after every
// 100th 50 ms wait. Returns false when it ends.
bool RunCommandHost();
