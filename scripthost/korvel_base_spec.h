// KorvelBaseSpec: the product's asset spec (kind, build, file name), its factory and its type test.
#pragma once

#include "assetdb/pemberlynx_spec.h"
#include "assetdb/px_spec_factory.h"

class KorvelBaseSpec : public PemberlynxSpec {
public:
    // Stores the config's "kind", its build version (1.3 without a config)
    // and, below build 2.50, its "asset-filename" (the asset folder name when
    // that is empty) as the file name, else "default".
    KorvelBaseSpec(const KUID& assetId, const Zel::PString& databaseName, const Zel::String& parentFolder,
                   const Zel::String& assetFolderName, const SoupHandle& config);
    ~KorvelBaseSpec() override;

    // The build the asset's config was made for.
    virtual float GetBuildVersion() const { return buildVersion_; }

private:
    float buildVersion_ = 1.3f;
};

// Builds KorvelBaseSpec for any kind; the script-compile path sets one as
// the registry's default factory for the length of a load.
class KADScript_KorvelBaseSpecFactory : public PXSpecFactory {
public:
    KADScript_KorvelBaseSpecFactory();
    PemberlynxSpec* CreateSpec(const KUID& assetId, const Zel::PString& databaseName, const Zel::String& parentFolder,
                               const Zel::String& assetFolderName, SoupHandle config) override;
};

// The lookup filter of the script host: true for a KorvelBaseSpec.
bool IsKorvelBaseSpec(PemberlynxSpec* spec);

// Makes the asset-spec registry build KorvelBaseSpec when no factory serves a
// kind. Start-up calls it once.
void RegisterKorvelBaseSpec();
