// PemberlynxSpecRegistry: the process-wide registry of loaded specs (live, retired, factories, id index) and the lookups over it.
#pragma once

#include <cstdint>

#include "foundation/containers/chunked_list.h"
#include "assetdb/pemberlynx_spec.h"
#include "assetdb/px_spec_factory.h"
#include "assetdb/spec_hash_table.h"
#include "kuid/kuid.h"
#include "soup/soup_handle.h"
#include "zel/path.h"
#include "zel/pstring.h"
#include "zel/sync_object.h"

// Accepts (true) or rejects a spec handed out by a lookup.
using PemberlynxSpecFilter = bool (*)(PemberlynxSpec* spec);

// Builds the product's spec class when no factory serves a kind. Set by the
// script host; without it a plain PemberlynxSpec is built.
using PemberlynxBaseSpecConstructor = PemberlynxSpec* (*)(const KUID& assetId, const Zel::PString& databaseName,
                                                          const Zel::String& parentFolder,
                                                          const Zel::String& assetFolderName, SoupHandle config);

class PemberlynxSpecRegistry {
public:
    // Becomes the process's registry (Instance).
    PemberlynxSpecRegistry();
    // Runs the leak report, then frees the index and the lists; Instance is
    // none afterwards.
    ~PemberlynxSpecRegistry();
    PemberlynxSpecRegistry(const PemberlynxSpecRegistry&) = delete;
    PemberlynxSpecRegistry& operator=(const PemberlynxSpecRegistry&) = delete;

    static PemberlynxSpecRegistry* Instance();
    // The registry's critical section (re-entrant); also guards the lookup's
    // resolution memo.
    static Zel::CriticalSection& Lock();

    // Appends to the live list and the index; true.
    bool Add(PemberlynxSpec* spec);
    // The first spec with that id, no reference taken.
    PemberlynxSpec* Find(const KUID& id);
    // Out of the retired list, the live list and the index.
    void Remove(PemberlynxSpec* spec);
    // Deletes the live specs nobody references; true when one was deleted.
    bool Purge();
    // Deletes the retired specs, purges until nothing goes, logs the specs
    // still held ("Leaked specs:" then "  (%4d) - %s" each), deletes the
    // factories and forgets the lookup's resolution memo.
    void ReportLeaks();

    // Factories: the registry owns those added (deleted by the leak report);
    // the default factory is not owned.
    void AddFactory(PXSpecFactory* factory);
    void RemoveFactory(PXSpecFactory* factory);
    void SetDefaultFactory(PXSpecFactory* factory);
    PXSpecFactory* GetDefaultFactory() const { return defaultFactory_; }
    PXSpecFactory* FindFactory(const Zel::PString& kind) const;

    // Takes a spec out of service after a failed validation: unreachable by
    // id, kept until the next leak report.
    void Retire(PemberlynxSpec* spec);

    int64_t LiveCount() const { return live_.TotalCount(); }
    int64_t RetiredCount() const { return retired_.TotalCount(); }
    int64_t IndexedCount() const { return index_.Count(); }

    static void SetBaseSpecConstructor(PemberlynxBaseSpecConstructor constructor);
    static PemberlynxBaseSpecConstructor GetBaseSpecConstructor();

private:
    ChunkedList<PemberlynxSpec*, 128> live_;
    ChunkedList<PemberlynxSpec*, 128> retired_;
    ChunkedList<PXSpecFactory*, 16> factories_;
    ChunkedHashTable index_;
    PXSpecFactory* defaultFactory_ = nullptr;
};

// Made by the daemon client's start and removed by its shutdown. Creating
// twice keeps the first.
void CreateSpecRegistry();
void DestroySpecRegistry();
