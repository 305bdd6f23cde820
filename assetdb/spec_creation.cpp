// Building, finding and validating specs: CreateSpecForKind, FindLoadedSpec, first use and ValidateSpec.
#include "assetdb/spec_creation.h"

#include "assetdb/pemberlynx_spec_registry.h"

namespace {

// Reserved: never the id of a loadable asset.
constexpr KUID ReservedKUID{-1, -2, 127};

}  // namespace

PemberlynxSpecRef FindLoadedSpec(const KUID& id)
{
    if (id == NullKUID || id == ReservedKUID)
        return {};
    PemberlynxSpecRegistry* registry = PemberlynxSpecRegistry::Instance();
    if (registry == nullptr)
        return {};
    Zel::SingleLock hold(&PemberlynxSpecRegistry::Lock(), true);
    return PemberlynxSpecRef(registry->Find(id));
}

PemberlynxSpecRef CreateSpecForKind(const KUID& assetId, const Zel::PString& databaseName,
                                    const Zel::String& parentFolder, const Zel::String& assetFolderName,
                                    const SoupHandle& config)
{
    PemberlynxSpecRegistry* registry = PemberlynxSpecRegistry::Instance();
    if (registry == nullptr)
        return {};
    Zel::SingleLock hold(&PemberlynxSpecRegistry::Lock(), true);
    Zel::PString kind = config.GetNamedTag(Zel::PString("kind"));
    PemberlynxSpec* spec = nullptr;
    if (PXSpecFactory* factory = registry->FindFactory(kind)) {
        spec = factory->CreateSpec(assetId, databaseName, parentFolder, assetFolderName, config);
    } else if (PemberlynxBaseSpecConstructor construct = PemberlynxSpecRegistry::GetBaseSpecConstructor()) {
        spec = construct(assetId, databaseName, parentFolder, assetFolderName, config);
    } else {
        spec = new PemberlynxSpec(assetId, databaseName, parentFolder, assetFolderName, config);
    }
    if (spec == nullptr)
        return {};
    registry->Add(spec);
    return PemberlynxSpecRef(spec);
}

void ValidateSpec(PemberlynxSpec& spec)
{
    Zel::SingleLock hold(&PemberlynxSpecRegistry::Lock(), true);
    if (spec.IsNullAsset())
        spec.flags_ &= uint8_t(~PemberlynxSpec::FlagValid);
    else if (spec.IsValid())
        spec.flags_ |= PemberlynxSpec::FlagValid;
    else
        spec.flags_ &= uint8_t(~PemberlynxSpec::FlagValid);

    if (spec.IsValidated()) {
        spec.OnValidated();
        return;
    }
    if (PemberlynxSpecRegistry* registry = PemberlynxSpecRegistry::Instance())
        registry->Retire(&spec);
}

void RunSpecFirstUse(PemberlynxSpec& spec)
{
    // Under the lock, so two threads handing out one new spec run it once.
    Zel::SingleLock hold(&PemberlynxSpecRegistry::Lock(), true);
    if (spec.firstUseDone_ != 0)
        return;
    spec.firstUseDone_ = 1;
    spec.OnFirstUse();
    ValidateSpec(spec);
}

bool IsSpecUsable(PemberlynxSpec& spec)
{
    RunSpecFirstUse(spec);
    return spec.IsValidated() && !spec.IsNullAsset();
}
