// Validation through a command host, and what it found kept in the asset's row: the faulty and warnings flags.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kuid/kuid.h"

class KADAssetStore;
class KADStoreConnection;
class ResultsLog;

struct KADValidationVerdict {
    KUID id;
    std::string folder;     // the asset folder the host judged
    bool faulty = false;    // the validator failed the asset
    bool warnings = false;  // it passed with warnings (or failed with them)
};

// Sends question 0 (validate the folder, opened under the store name) to a
// command host and reads its answer: the host's lines and its result. False,
// with a line of text for the requester, when no answer came.
bool KADValidateThroughHost(const std::string& storeName, const std::string& folder, ResultsLog& lines,
                            std::int32_t& valid, std::string& error);
// The verdict an answer gives about the asset's folder.
KADValidationVerdict KADVerdictOf(const KUID& id, const std::string& folder, const ResultsLog& lines,
                                  std::int32_t valid);

// True when the build's validator can judge assets. Its stand-in fails
// every asset; its verdicts are never recorded.
bool KADValidatorCanJudge();

// Sets or clears the flags in the rows as they are now, under the store's
// change lock. An asset may have changed while the hosts worked: a row that
// went, or that no longer has the judged folder (a commit or install put
// another revision in place, a revert dropped the edit copy), is skipped. A
// row the index refuses is an error line in `log`.
void KADRecordValidationVerdicts(KADAssetStore& store, KADStoreConnection& connection,
                                 const std::vector<KADValidationVerdict>& verdicts, ResultsLog& log);
