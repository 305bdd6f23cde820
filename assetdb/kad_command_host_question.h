// The command host's questions (note type 1) and answers (CommandHostAnswer), read and written field by field.
#pragma once

#include <cstdint>
#include <vector>

#include "kuid/kuid.h"
#include "zel/pstring.h"
#include "zel/string.h"

class ResultsLog;
class TBuffer;
class TStream;

enum class KADCommandHostCommand : int32_t {
    Validate = 0,           // PString store name; PString folder
    TextureConvert = 1,     // PString store name; String folder
    ArchiveSaveToDisk = 2,  // uint32 tag; PString file path; uint32 n; n KUIDs
    ArchiveInstall = 3,     // the same
};

// One question after reading. Only the fields of its command are set.
struct KADCommandHostQuestion {
    int32_t commandId = -1;
    Zel::PString assetName;  // the top-level store name, opened as a resource database
    Zel::String folder;
    uint32_t archiveTag = 0;
    Zel::PString filePath;
    std::vector<KUID> assets;

    bool IsSupported() const;
};

// Reads the question from the buffer's position. False when a field cannot
// be read: the stream reports an error, or the id count promises more bytes
// than are left (nothing is reserved from an unchecked count). An unknown
// command id reads only the id and succeeds; the caller answers it empty.
bool ReadCommandHostQuestion(TBuffer& question, KADCommandHostQuestion& out);
// The daemon's side, and tests.
void WriteCommandHostQuestion(TStream& out, const KADCommandHostQuestion& question);

// The answer of a supported command: the log from its first line, then the
// result (a bool for validation, an int32 for conversion, a uint32 for the
// archive commands); an install then lists the ids it did not install.
void WriteCommandHostAnswer(TBuffer& answer, int32_t commandId, const ResultsLog& log, int32_t result,
                            const std::vector<KUID>& notInstalled);

// The daemon's reading of an answer to a question of that command. False for
// an empty answer (an unsupported or unreadable question) and for one that
// does not hold every field; log lines read before the failure stay.
bool ReadCommandHostAnswer(TBuffer& answer, int32_t commandId, ResultsLog& log, int32_t& result,
                           std::vector<KUID>& notInstalled);

// The bytes a stream still holds after its position (never negative).
int64_t RemainingBytes(TBuffer& buffer);
// Reads a uint32 count and that many KUIDs (8 bytes each), refusing a count
// the remaining bytes cannot hold. False (and an empty list) on failure.
bool ReadKUIDList(TBuffer& buffer, std::vector<KUID>& ids);
void WriteKUIDList(TStream& out, const std::vector<KUID>& ids);
