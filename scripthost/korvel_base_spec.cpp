// KorvelBaseSpec and its factory: the product's spec built from an asset's config.
#include "scripthost/korvel_base_spec.h"

#include "assetdb/category_codes.h"
#include "assetdb/pemberlynx_spec_registry.h"

namespace {

// Builds before this one named the asset's files after "asset-filename".
constexpr float FileNameBuildLimit = 2.50f;

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
    if (buildVersion_ < FileNameBuildLimit) {
        Zel::PString fileName = config.GetNamedTag(Zel::PString("asset-filename"));
        fileName_ = fileName.IsEmpty() ? assetFolderName : Zel::String(fileName.c_str());
    } else {
        fileName_ = "default";
    }
}

KorvelBaseSpec::~KorvelBaseSpec() = default;

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

void RegisterKorvelBaseSpec()
{
    PemberlynxSpecRegistry::SetBaseSpecConstructor(ConstructKorvelBaseSpec);
}
