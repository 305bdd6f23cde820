// chbparse: installs an archive's assets, completes them from the content service, and writes a summary, an archive and a thumbnail of each.
#pragma once

#include "foundation/containers/chunked_list.h"
#include "soup/acs_raw_data.h"
#include "kuid/kuid.h"
#include "zel/pstring.h"
#include "zel/string.h"

class ResultsLog;

// True when every asset installed and the summary was written. When an
// install logs an error, every asset installed by this run is reverted.
bool RunCHBParseCommand(const char* archivePath, ResultsLog& log);

// Installs the asset's dependencies from the content service, pass after
// pass while the last one's install succeeded. Bounded: at most
// CHBDependencyPassLimit passes, and a pass that installs nothing ends it
// (a service that keeps offering a version the daemon never counts as
// installed must not loop for ever).
void InstallCHBDependencies(const KUID& id);
constexpr int CHBDependencyPassLimit = 6;

// Exports the asset (ExportAssetChunk) and writes it as an archive of its own.
bool ExportAssetToCDP(const KUID& id, const char* archivePath, ResultsLog& log);
// Tag texts joined by ", "; empty for an empty list.
Zel::PString JoinKUIDs(const ChunkedList<KUID, 128>& ids);
// Backslashes doubled, each line break (CR LF, LF CR, CR or LF) as "\n".
Zel::String EscapeText(const char* text);
// True when the block was written to the path.
bool WriteThumbnailData(const RawDataRef& data, const char* path);
