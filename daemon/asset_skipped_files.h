// What an archive install leaves out of an asset: found in an asset folder before export, and told as warning lines.
#pragma once

#include <string>
#include <vector>

#include "soup/archive_extract.h"

class KUID;
struct KADRequestContext;

// The files and folders of an asset folder, as an export packs it (the
// top-level config files are the config, not files), that an archive
// install would leave out, with the reason; also entries no export or copy
// takes (symbolic links, devices). Folders left out are listed once, not
// their contents.
std::vector<SkippedContentEntry> KADFindFilesArchivesSkip(const std::string& assetFolder);

// How the lines put it: the archive install left the entry out, or the
// entry is in the store (or export) now but an archive install will leave
// it out.
enum class KADSkipContext { ArchiveInstall, FolderInstall, Export };
// One warning line per entry, about the asset.
void KADSendSkippedLines(KADRequestContext& context, const KUID& id, const std::vector<SkippedContentEntry>& entries,
                         KADSkipContext how);
