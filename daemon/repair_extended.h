// What the extended repair adds to the plain one: re-validation of the installed assets and the trash purge.
#pragma once

class KADAssetStore;
class KADStoreConnection;
class ResultsLog;

// Runs after the plain repair has reconciled folders and rows, outside the
// store's change lock (validation waits for command hosts, which ask the
// daemon questions of their own meanwhile). Each installed asset's committed
// folder goes to a command host; the host's lines come back naming the asset,
// and its verdict sets or clears the faulty and warnings flags. When the
// build's validator cannot judge, one warning line says so and no flag
// changes.
void KADRunExtendedRepairSteps(KADAssetStore& store, KADStoreConnection& connection, ResultsLog& log);
