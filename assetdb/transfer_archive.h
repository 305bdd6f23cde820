// The command host's transfer archive: a file of exported asset chunks that another host installs.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "kuid/kuid.h"
#include "soup/soup_handle.h"

class ResultsLog;
class TStream;

// Layout (little-endian): uint32 magic "crak"; uint32 version 1; float build
// 3.3 (version 1 only); uint32 absolute file length; uint32 archive tag; per
// asset {KUID; uint32 absolute end of the entry; binary soup}; the null KUID.
constexpr uint32_t TransferArchiveMagic = 0x6b617263;
constexpr uint32_t TransferArchiveVersion = 1;
constexpr float TransferArchiveBuild = 3.3f;
// Install modes of an entry: commit and write config.chump (+ skip texture
// conversion) for an archive of this build, plain for an older one.
constexpr int32_t TransferInstallModeCurrent = 10;
constexpr int32_t TransferInstallModeOlder = 2;

// One asset's exported chunk (ExportAssetChunk, option 0); a chunk without a
// "kuid" tag means the export failed, and its reasons are in the log.
using TransferArchiveExporter = std::function<SoupHandle(const KUID& id, ResultsLog& log)>;
// Installs one entry soup in the mode; the installed id, or the null id.
using TransferArchiveInstaller = std::function<KUID(SoupHandle& entry, ResultsLog& log, int32_t mode)>;

// Writes each asset of the list in order; an asset whose export fails is
// left out and makes the result false, the others are still written. Ends
// with the null KUID.
bool WriteTransferArchiveAssets(const std::vector<KUID>& ids, TStream& file, ResultsLog& log,
                                const TransferArchiveExporter& exporter);
// The whole file: header, assets, and the file length patched in last. False
// when the file cannot be written or an export failed.
bool WriteTransferArchive(const char* path, uint32_t archiveTag, const std::vector<KUID>& ids, ResultsLog& log,
                          const TransferArchiveExporter& exporter);

// Installs the listed assets found in the archive and removes each installed
// id from the list. A version other than 0 and 1 logs "$kad_archive_version";
// a wrong magic, length or tag, and a damaged entry table, log
// "$kad_archive_unreadable"; both return false. Entries are taken only from
// inside the file: an entry end before its soup or past the file length
// stops the reading.
bool InstallTransferArchive(uint32_t archiveTag, std::vector<KUID>& ids, const char* path, ResultsLog& log,
                            const TransferArchiveInstaller& installer);
