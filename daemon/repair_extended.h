// What the extended repair adds to the plain one: re-validation of the installed assets and the trash purge.
#pragma once

class KadAssetStore;
class ResultsLog;

// Runs after the plain repair has reconciled folders and rows, outside the
// store's change lock (validation waits for command hosts, which ask the
// daemon questions of their own meanwhile).
void KadRunExtendedRepairSteps(KadAssetStore& store, ResultsLog& log);
