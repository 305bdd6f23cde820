// PemberlynxSpecRegistry: adding, finding, retiring, purging and the leak report, all under one re-entrant lock.
#include "assetdb/pemberlynx_spec_registry.h"

#include <atomic>
#include <utility>

#include "assetdb/spec_lookup.h"
#include "foundation/base/logging.h"

namespace {

std::atomic<PemberlynxSpecRegistry*> registryInstance{nullptr};
std::atomic<PemberlynxBaseSpecConstructor> baseSpecConstructor{nullptr};

template <class List, class T>
void EraseValue(List& list, T value)
{
    auto it = list.Find(value);
    if (!it.IsEnd())
        list.EraseOrdered(it);
}

}  // namespace

PXSpecFactory::~PXSpecFactory()
{
    if (PemberlynxSpecRegistry* registry = PemberlynxSpecRegistry::Instance())
        registry->RemoveFactory(this);
}

Zel::CriticalSection& PemberlynxSpecRegistry::Lock()
{
    // Never destroyed: specs may be released by static destructors after
    // this translation unit's statics are gone.
    static Zel::CriticalSection* lock = new Zel::CriticalSection();
    return *lock;
}

PemberlynxSpecRegistry::PemberlynxSpecRegistry()
{
    registryInstance.store(this);
}

PemberlynxSpecRegistry::~PemberlynxSpecRegistry()
{
    ReportLeaks();
    Zel::SingleLock hold(&Lock(), true);
    // Specs still held keep pointing at nothing once the registry is gone;
    // their destructors find no registry and leave it alone.
    registryInstance.store(nullptr);
    index_.Clear();
    live_.Clear();
    retired_.Clear();
    factories_.Clear();
}

PemberlynxSpecRegistry* PemberlynxSpecRegistry::Instance()
{
    return registryInstance.load();
}

bool PemberlynxSpecRegistry::Add(PemberlynxSpec* spec)
{
    Zel::SingleLock hold(&Lock(), true);
    live_.PushBack(spec);
    index_.Insert(spec);
    return true;
}

PemberlynxSpec* PemberlynxSpecRegistry::Find(const KUID& id)
{
    Zel::SingleLock hold(&Lock(), true);
    return index_.Find(id);
}

void PemberlynxSpecRegistry::Remove(PemberlynxSpec* spec)
{
    Zel::SingleLock hold(&Lock(), true);
    EraseValue(retired_, spec);
    EraseValue(live_, spec);
    index_.Remove(spec);
}

void PemberlynxSpecRegistry::Retire(PemberlynxSpec* spec)
{
    Zel::SingleLock hold(&Lock(), true);
    index_.Remove(spec);
    EraseValue(live_, spec);
    if (retired_.Find(spec).IsEnd())
        retired_.PushBack(spec);
}

bool PemberlynxSpecRegistry::Purge()
{
    Zel::SingleLock hold(&Lock(), true);
    bool deleted = false;
    auto it = live_.Begin();
    while (!it.IsEnd()) {
        PemberlynxSpec* spec = *it;
        if (spec->GetReferenceCount() != 0) {
            ++it;
            continue;
        }
        // A safe pointer's owner may take a reference when told its target goes.
        spec->DetachAll();
        if (spec->GetReferenceCount() != 0) {
            ++it;
            continue;
        }
        it = live_.EraseOrdered(it);
        delete spec;
        deleted = true;
    }
    return deleted;
}

void PemberlynxSpecRegistry::ReportLeaks()
{
    Zel::SingleLock hold(&Lock(), true);
    // Taken out first: each destructor looks for its spec in the lists.
    ChunkedList<PemberlynxSpec*, 128> retired = std::move(retired_);
    for (PemberlynxSpec* spec : retired)
        delete spec;
    retired.Clear();

    while (Purge()) {}

    if (!live_.IsEmpty()) {
        LogMessage("Leaked specs:");
        for (PemberlynxSpec* spec : live_)
            LogMessage("  (%4d) - %s", int(spec->GetReferenceCount()), spec->GetDescription().c_str());
    }

    ChunkedList<PXSpecFactory*, 16> factories = std::move(factories_);
    for (PXSpecFactory* factory : factories) {
        if (factory == defaultFactory_)
            defaultFactory_ = nullptr;
        delete factory;
    }
    factories.Clear();
    ClearSpecResolutionMemo();
}

void PemberlynxSpecRegistry::AddFactory(PXSpecFactory* factory)
{
    if (factory == nullptr)
        return;
    Zel::SingleLock hold(&Lock(), true);
    if (factories_.Find(factory).IsEnd())
        factories_.PushBack(factory);
}

void PemberlynxSpecRegistry::RemoveFactory(PXSpecFactory* factory)
{
    Zel::SingleLock hold(&Lock(), true);
    EraseValue(factories_, factory);
    if (defaultFactory_ == factory)
        defaultFactory_ = nullptr;
}

void PemberlynxSpecRegistry::SetDefaultFactory(PXSpecFactory* factory)
{
    Zel::SingleLock hold(&Lock(), true);
    defaultFactory_ = factory;
}

PXSpecFactory* PemberlynxSpecRegistry::FindFactory(const Zel::PString& kind) const
{
    Zel::SingleLock hold(&Lock(), true);
    Zel::PString lowerKind = kind.ToLower();
    for (PXSpecFactory* factory : factories_)
        if (factory->GetName().ToLower() == lowerKind)
            return factory;
    return defaultFactory_;
}

void PemberlynxSpecRegistry::SetBaseSpecConstructor(PemberlynxBaseSpecConstructor constructor)
{
    baseSpecConstructor.store(constructor);
}

PemberlynxBaseSpecConstructor PemberlynxSpecRegistry::GetBaseSpecConstructor()
{
    return baseSpecConstructor.load();
}

void CreateSpecRegistry()
{
    Zel::SingleLock hold(&PemberlynxSpecRegistry::Lock(), true);
    if (PemberlynxSpecRegistry::Instance() == nullptr)
        new PemberlynxSpecRegistry();
}

void DestroySpecRegistry()
{
    Zel::SingleLock hold(&PemberlynxSpecRegistry::Lock(), true);
    delete PemberlynxSpecRegistry::Instance();
}
