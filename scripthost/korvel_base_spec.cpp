// KorvelBaseSpec and its factory: the product's spec built from an asset's config.
#include "scripthost/korvel_base_spec.h"

#include "assetdb/category_codes.h"
#include "assetdb/kad_client.h"
#include "assetdb/pemberlynx_spec_registry.h"
#include "assetdb/spec_lookup.h"

namespace {

// Builds before this one named the asset's files after "asset-filename".
constexpr int FileNameBuildLimit = 250;

// The build times 100, truncated toward zero: the Parts compare builds so.
int BuildHundredths(float build)
{
    return static_cast<int>(build * 100.0f);
}

PemberlynxSpec* ConstructKorvelBaseSpec(const KUID& assetId, const Zel::PString& databaseName,
                                        const Zel::String& parentFolder, const Zel::String& assetFolderName,
                                        SoupHandle config)
{
    return new KorvelBaseSpec(assetId, databaseName, parentFolder, assetFolderName, config);
}

}  // namespace

KorvelBaseSpec::KorvelBaseSpec(const KUID& assetId, const Zel::PString& databaseName, const Zel::String& parentFolder,
                               const Zel::String& assetFolderName, const SoupHandle& config)
    : PemberlynxSpec(assetId, databaseName, parentFolder, assetFolderName, config)
{
    kind_ = config.GetNamedTag(Zel::PString("kind"));
    // An empty or missing config gives 1.3.
    buildVersion_ = GetConfigBuildVersion(config);
    if (BuildHundredths(buildVersion_) < FileNameBuildLimit) {
        Zel::PString fileName = config.GetNamedTag(Zel::PString("asset-filename"));
        fileName_ = fileName.IsEmpty() ? assetFolderName : Zel::String(fileName.c_str());
    } else {
        fileName_ = "default";
    }
}

KorvelBaseSpec::~KorvelBaseSpec() = default;

bool KorvelBaseSpec::IsBuildBelow(float version) const
{
    return BuildHundredths(buildVersion_) < BuildHundredths(version);
}

bool KorvelBaseSpec::IsBuildAtLeast(float version) const
{
    return BuildHundredths(buildVersion_) >= BuildHundredths(version);
}

bool KUIDUnsignedOrder::operator()(const KUID& a, const KUID& b) const
{
    if (a.user != b.user)
        return static_cast<uint32_t>(a.user) < static_cast<uint32_t>(b.user);
    if (a.content != b.content)
        return static_cast<uint32_t>(a.content) < static_cast<uint32_t>(b.content);
    return static_cast<uint32_t>(a.version) < static_cast<uint32_t>(b.version);
}

KADScript_KorvelBaseSpecFactory::KADScript_KorvelBaseSpecFactory()
    : PXSpecFactory(Zel::PString("--KADScript_KorvelBaseSpecFactory--"))
{}

PemberlynxSpec* KADScript_KorvelBaseSpecFactory::CreateSpec(const KUID& assetId, const Zel::PString& databaseName,
                                                            const Zel::String& parentFolder,
                                                            const Zel::String& assetFolderName, SoupHandle config)
{
    return ConstructKorvelBaseSpec(assetId, databaseName, parentFolder, assetFolderName, config);
}

bool IsKorvelBaseSpec(PemberlynxSpec* spec)
{
    return dynamic_cast<KorvelBaseSpec*>(spec) != nullptr;
}

PemberlynxSpecRef FindBaseSpecByKUID(const KUID& id)
{
    return LookupSpecForKUID(id, IsKorvelBaseSpec, false);
}

bool KorvelBaseSpec::IsLocallyModified()
{
    if ((locallyModifiedFlags_ & 1) == 0)
        locallyModifiedFlags_ = KADClient::IsAssetLocallyModified(GetKUID()) ? 3 : 1;
    return (locallyModifiedFlags_ & 2) != 0;
}

void RegisterKorvelBaseSpec()
{
    PemberlynxSpecRegistry::SetBaseSpecConstructor(ConstructKorvelBaseSpec);
}
