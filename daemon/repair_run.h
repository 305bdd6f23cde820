// The database repair: reconciles the committed asset folders with the index rows.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "assetdb/protocol/kad_protocol.h"

class KADAssetStore;
class KADStoreConnection;
class ResultsLog;

// Called as the repair goes: the fraction done and the current step.
using KADRepairProgress = std::function<void(float fraction, const std::string& step)>;

// Walks <user data>/local/<kk>/r<rev>/<leaf>:
// - the highest revision whose config can be read wins; lower revisions go
//   to the trash (never deleted outright);
// - a folder without a row (an index that was lost included) is added from
//   its config; a row pointing at another revision is pointed at the winner;
// - a row whose committed folder is gone loses its installed flag, or goes
//   when nothing else (an edit copy, a content-service entry) keeps it;
// - a row whose edit copy is gone is no longer open for edit;
// - what cannot be mended (no config, a config naming another asset) is an
//   error line, and the folder stays where it is; when the asset has a row,
//   the row stays, marked faulty, until a repair can read the folder again.
// Changed rows go to the index in batches (KADRepairBatch) and to the
// store's mirror after each commit. The extended mode then re-validates and
// purges the trash. Progress is reported at most about ten times a second.
// Lines go into `log`; returns the number of error lines.
int KADRunRepair(KADAssetStore& store, KADStoreConnection& connection, std::int32_t mode, ResultsLog& log,
                 const KADRepairProgress& progress);
